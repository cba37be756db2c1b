#pragma once
// The About box.

#include <QDialog>

class QLabel;
class QPushButton;

namespace vx42 {

// The maker's name and web address shown in the About box.
constexpr const char* kMakerName = "Kestrane";
constexpr const char* kMakerWebAddress = "https://www.kestrane.example/vx42";

class FrmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit FrmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblWebSite;
    QPushButton* cmdOK;

  protected:
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace vx42
