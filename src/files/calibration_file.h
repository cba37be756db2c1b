#pragma once
// Calibration files (".DVF": the raw image, nothing else) and the file state behind the
// window's title and its Open, Save and Save As commands.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "calibration/cal_image.h"

namespace vx42 {

class Prompt;
class SettingsStore;
struct Settings;

constexpr const char* kCalibrationFilter = "Dialvane File (*.DVF)|*.DVF";

struct CalibrationFileRead {
    CalImage image;
    std::size_t fileLength = 0;  // bytes in the file
    bool shortFile() const { return fileLength < static_cast<std::size_t>(kCalImageSize); }
};

// Reads a whole calibration file. A short file is accepted: the bytes past its end are 0x00.
// Bytes past the image in a longer file are ignored. Throws FileError (InputCapError for a
// file beyond limits::kCalibrationFileBytes).
CalibrationFileRead ReadCalibrationFile(const std::string& path);
// The same from the file's bytes.
CalibrationFileRead CalibrationFromFileBytes(std::span<const std::uint8_t> bytes);
// Writes exactly the image, atomically. Throws FileError.
void WriteCalibrationFile(const std::string& path, const CalImage& image);

// The file state of one run of the tool and the window title it implies.
struct FileState {
    std::string VersionText;  // "VX42 Version 2.1.0"
    std::string Title;
    bool FileLoaded = false;
    bool AutoRetrieved = false;
    bool CalibrationChanged = false;
    std::string CurrentFileFolder;  // with its trailing separator
    std::string CurrentFileName;

    // Title at start: VersionText + " [No File Loaded]".
    void StartTitle();
    // Title with the current file name; FileLoaded on, AutoRetrieved off.
    void SetFileTitle();
    // Title " [Auto Retrieved File]"; AutoRetrieved on, FileLoaded off.
    void MarkAutoRetrieved();
    // While a file is loaded: the name with "*" inside the brackets when changed.
    void UpdateTitle();
    bool HasCalibration() const { return FileLoaded || AutoRetrieved; }
};

// The save rules' answer for the window: whether the image reached a file.
enum class SaveOutcome { Saved, Cancelled, NoCalibration };

// Everything Open, Save and Save As need besides the image.
struct FileContext {
    FileState& state;
    Prompt& prompt;
    Settings& settings;
    SettingsStore& store;
};

// The open dialog and the read. On success the image is replaced whole, the state names
// the file and the title shows it; a short file is reported. Returns false when cancelled.
// A file that cannot be read throws FileError and leaves image and state as they were.
bool OpenCalibrationFile(FileContext ctx, CalImage& image);
// The same read for a file chosen without the dialog (the window's command line).
void OpenCalibrationFileAt(FileContext ctx, CalImage& image, const std::string& path);

// A calibration chosen in the same dialog only to be looked at (compared with the one
// shown): the image shown and the file state stay as they are. A short file is reported as
// on open. Nothing when cancelled; a file that cannot be read throws FileError.
struct ChosenCalibration {
    std::string fileName;
    CalImage image;
};
std::optional<ChosenCalibration> ChooseCalibrationFile(FileContext ctx, const std::string& title);

// Save (saveAs false: quick save to the current file when there is one) and Save As (the
// dialog, ".DVF" appended unless the name ends in it in any case, the overwrite question).
// Throws FileError when the write fails; the previous file then stays intact.
SaveOutcome SaveCalibrationFile(FileContext ctx, const CalImage& image, bool saveAs);

// The save dialog of Save As and of the files made from the calibration shown (a job sheet):
// it starts where calibrations are kept and proposes `fileName`; `extension` (".DVF") is added
// unless the chosen name ends in it in any case, and a file already there is replaced only when
// the user agrees. Nothing when cancelled.
std::optional<std::string> ChooseSaveTarget(FileContext ctx, const std::string& title,
                                            const std::string& fileName, const std::string& filter,
                                            const std::string& extension);

// Before a calibration is replaced (opening a file): offers to save unsaved changes.
// Returns true to go on. Answering Yes and then not saving cancels, so no change is lost.
bool OfferSaveBeforeReplacing(FileContext ctx, const std::function<SaveOutcome()>& saveAs);

enum class CloseReason { User, Code, System };
// The close question. Returns true to cancel the close.
bool ConfirmUnsavedOnClose(FileContext ctx, CloseReason reason,
                           const std::function<SaveOutcome()>& saveAs);

}  // namespace vx42
