#pragma once
// The data sources frame of an output tab (fraMessages): for the primary and the secondary
// CAN data, the library and message chosen, the timeout and the data used on it, and the
// filter; the secondary one also says whether it stands in on the primary's timeout.

#include <array>

#include "calibration/value_format.h"
#include "ui/output/output_controls.h"
#include "ui/output/output_messages.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QWidget;

namespace vx42 {

class EntryBox;
struct OutputContext;
struct OutputView;

class OutputDataSources {
  public:
    OutputDataSources(OutputContext& ctx, OutputDataControls& controls);

    // Builds fraMessages, the two data sources side by side, in `parent`.
    QWidget* Build(QWidget* parent);
    void Connect();
    // The libraries' and messages' lists with the output's stored choices; gives the
    // scaling of the chosen messages.
    FormatContext ShowSelection();
    void Show(const OutputView& v);
    const OutputMessages& messages() const { return messages_; }

  private:
    QGroupBox* BuildDataFrame(int i);
    void FillLibraryLists();
    void FillMessageList(int i);
    void LibraryClicked(int i, int position);
    void MessageClicked(int i, int position);

    OutputContext& ctx_;
    OutputDataControls& c_;  // the page's
    OutputMessages messages_;
};

}  // namespace vx42
