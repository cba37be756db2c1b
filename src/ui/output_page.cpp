#include "ui/output_page.h"

#include "ui/frm_main.h"

namespace vx42 {

OutputPage::OutputPage(FrmMain& main, QWidget* parent) : QWidget(parent), main_(main) {
    setObjectName("outputPage");
}

void OutputPage::SelectOutput(int) { Reload(); }

void OutputPage::Reload() {}

}  // namespace vx42
