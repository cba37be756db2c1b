#pragma once
// The firmware and bootloader upgrade: the running firmware hands over to its bootloader,
// which receives a firmware file's records in 16-byte blocks with 24-bit addresses; or the
// running firmware receives a bootloader image into its calibration space inside the
// freeze-for-update bracket and is told to install it. Also the dialog's service commands
// (Read Address, Send Bootloader).
//
// Nothing here is Qt: the dialog runs these operations on the link's thread and shows the
// status lines and progress that the callbacks hand it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device/module_link.h"
#include "firmware/firmware_files.h"

namespace vx42 {

class Prompt;

// The dialog's status lines, in the order they can appear.
namespace upgrade_status {
constexpr const char* StartingFirmware = "Starting Firmware Upgrade";
constexpr const char* FlashFailed = "Unit failed to flash upgrade correctly.";
constexpr const char* CheckConnection = "Please check connection and try again.";
constexpr const char* SendingFinish = "Sending Finish Firmware Upgrade";
constexpr const char* SendingReset = "Sending Reset to Unit";
constexpr const char* FirmwareComplete = "Firmware Upgrade Complete";
constexpr const char* StartingBootLoader = "Starting Boot Loader Upgrade";
constexpr const char* BootLoaderComplete =
    "Bootloader upgrade complete please cycle power to the unit";
constexpr const char* LoadFirmwareNext = "Then load a firmware file";
}  // namespace upgrade_status

// The open-file dialog's filter.
constexpr const char* kUpgradeFileFilter =
    "Firmware File (*.ROM;*.RM2)|*.ROM;*.RM2|Boot Loader Upgrade (*.BLU)|*.BLU";

// Appends one line to the status list (which then shows it).
using StatusLine = std::function<void(const std::string& text)>;

enum class UpgradeKind { None, Firmware, BootLoader };

// By extension, in any case: "ROM" and "RM2" are firmware, "BLU" a bootloader image.
UpgradeKind UpgradeKindOf(std::string_view extension);

// The file chosen in the dialog and what was loaded from it.
struct UpgradeFile {
    std::string folder;     // with its trailing separator
    std::string fileName;   // shown in the dialog; empty until a file was chosen
    std::string extension;  // text after the last "."; says what the upgrade is
    FirmwareFile firmware;  // a firmware file's records
    BootImage bootImage;    // a bootloader image
};

// Open File: loads `path` by its extension into `file`. A file of another extension loads
// nothing (and Start Upgrade then sends nothing). A missing or malformed file is reported
// through the prompt and leaves `file` as it was, so the name shown never belongs to an image
// other than the one loaded. True when `file` now describes `path`.
bool LoadUpgradeFile(const std::string& path, UpgradeFile& file, Prompt& prompt);

// The largest bootloader upgrade file the module takes: its image is written in 16-byte
// blocks from 0x0400 (with the 0xFF padding that follows it) and must end below the marker
// and freeze addresses.
int LargestBootLoaderFile();

// Why `file` cannot be sent, checked before anything goes to the module: a firmware file
// without records, a bootloader image without bytes or one too large for the program area.
// Nothing when it can be sent (or when its extension is not an upgrade's).
std::optional<std::string> UpgradeRefusal(const UpgradeFile& file);

// The hand-over: 0xFF 0xFF staged for 0x130C, 100 ms, the 0xCB 0xE0 marker, 100 ms, "?".
// A staged unlock that fails ends the hand-over before the marker: unless the module already
// waits in its bootloader (it answers "?"), "Error Writing Calibration Change" is shown. True only
// when the module answered "Y". (The 100 ms pauses are the link's retry pause.)
bool EnterBootloader(ModuleLink& link);

// The sum of the records' lengths: the bytes a firmware upgrade copies.
std::int64_t FirmwareBytes(const FirmwareFile& firmware);

// Streams the records to the bootloader, record by record in file order: every 16 data bytes
// go out as one block at the address of the block's first byte, and a record's last 1 to 15
// bytes go out filled to 16 with 0xFF. No retries. Progress: (bytes placed
// into blocks, total, "N Bytes of M Bytes copied.") once at the start and after every block
// acknowledged. A block that is not acknowledged adds the two failure lines and ends the
// stream: False.
bool SendFirmwareRecords(ModuleLink& link, const FirmwareFile& firmware, const StatusLine& status,
                         const Progress& progress);

// The freeze-for-update bracket over the boot image from 0x0400 (0xFF past its end), then the
// 0x04 0x00 install marker. True only when the marker was acknowledged; an image without a
// file byte is not sent. Progress on a bar whose maximum is the image's highest index.
bool WriteBootImage(ModuleLink& link, const BootImage& image, const Progress& progress);

enum class UpgradeOutcome {
    Failed,         // stopped at a block, the finish, the reset or the bootloader write (also
                    // the outcome, made by default, of an upgrade that raised an error)
    NoFile,         // no file chosen: nothing happens
    NoLink,         // the link could not be opened (its messages were shown)
    NothingToSend,  // not an upgrade's extension, or a file refused before anything was sent
    Refused,        // the module did not hand over to its bootloader (or its unlock failed)
    Complete,
    Cancelled,  // stopped before anything was sent (see BeforeSending)
};

// Whether an upgrade that ended so may have changed what the module holds: it sent something.
bool UpgradeReachedModule(UpgradeOutcome outcome);

// Runs once the link is usable and before an upgrade sends anything (the restore point of
// the module's calibration); false stops the upgrade, which then sends nothing.
using BeforeSending = std::function<bool(ModuleLink& link)>;

// Start Upgrade. A file that cannot be sent (UpgradeRefusal) is refused with a message before
// the link is touched. `reuseConnection`: the main window is online and its connection is
// used; otherwise the link is opened for the upgrade. Whenever the link was usable it is
// disconnected at the end, whatever the outcome (the main window is offline afterwards).
UpgradeOutcome StartUpgrade(ModuleLink& link, bool reuseConnection, const UpgradeFile& file,
                            const StatusLine& status, const Progress& progress,
                            const BeforeSending& before = {});

// What the dialog shows as the connected module's firmware version: the version the module
// gave when it was connected, or "Not connected" (never a made-up "0.0.0").
std::string FirmwareVersionText(bool online, const std::string& version);

// The address typed for Read Address: decimal, or hexadecimal after "&H", taken to the nearest
// integer. Nothing for an address outside the module's 0 to 65535.
std::optional<int> ParseReadAddress(std::string_view text);

// "Value: $" & first byte & " $" & second byte, in upper-case hexadecimal without leading zeros.
std::string ReadValueText(std::uint8_t first, std::uint8_t second);

// Read Address: opens the link (unless it is open already), reads two bytes at the address
// typed and closes what it opened. The value text on success; nothing when the link could not
// be opened, the address is not one of the module's or the read was not answered.
std::optional<std::string> ReadAddress(ModuleLink& link, std::string_view text);

// Send Bootloader: opens the link (unless it is open already), writes the 0x04 0x00 install
// marker and closes what it opened. True when the marker was acknowledged.
bool SendBootloader(ModuleLink& link);

}  // namespace vx42
