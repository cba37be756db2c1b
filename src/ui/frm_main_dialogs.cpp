// The main window's dialog commands: Settings (Units, CAN Message Setup), File (Update
// Library), Communications (Set CAN Speed, Firmware Upgrade) and the "CAN Status" tab.

#include "ui/frm_main.h"

namespace vx42 {

void FrmMain::BuildDialogCommands() {}

}  // namespace vx42
