#pragma once
// The picture of a relay switch function: the output's Off and On states against the
// data, with the switch points marked. The solid path is followed as the data rises, the
// dashed one as it falls back; between the two points of an edge the output keeps its state.

#include <QWidget>

#include "calibration/outputs/switching.h"

namespace vx42 {

class RelayPicture : public QWidget {
    Q_OBJECT
  public:
    explicit RelayPicture(QWidget* parent = nullptr);

    void setFunction(SwitchFunction function);
    SwitchFunction function() const { return function_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    SwitchFunction function_ = SwitchFunction::SimpleOffToOn;
};

}  // namespace vx42
