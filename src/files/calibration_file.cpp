// Calibration files (".DVF") and the file state behind the window's title and its commands.
#include "files/calibration_file.h"

#include <algorithm>
#include <cctype>

#include "base/prompt.h"
#include "calibration/number_format.h"
#include "files/file_io.h"
#include "files/input_limits.h"
#include "files/paths.h"
#include "files/settings.h"

namespace vx42 {

namespace {
constexpr const char* kSaveNowQuestion =
    "The file has been changed and not saved. Would you like to save now?";

std::string Upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void RememberCalibrationFolder(FileContext& ctx) {
    if (!ctx.state.CurrentFileFolder.empty() &&
        ctx.state.CurrentFileFolder != ctx.settings.CalibrationPath) {
        ctx.settings.CalibrationPath = ctx.state.CurrentFileFolder;
        SaveCalibrationPath(ctx.store, ctx.settings);
    }
}

void NameCurrentFile(FileContext& ctx, const std::string& path) {
    ctx.state.CalibrationChanged = false;
    ctx.state.CurrentFileFolder = FolderOfPath(path);
    ctx.state.CurrentFileName = FileNameOfPath(path);
    RememberCalibrationFolder(ctx);
    ctx.state.SetFileTitle();
}

FileDialog CalibrationDialog(const FileContext& ctx, const std::string& title,
                             const std::string& fileName) {
    FileDialog d;
    d.title = title;
    // The folder of a first run is made when a dialog first needs it; a remembered folder
    // that has gone is not made again: the dialog starts in what is left of it.
    const std::string& folder = ctx.settings.CalibrationPath;
    d.initialFolder =
        DialogStartFolder(folder, folder == DefaultCalibrationPath(DocumentsFolder()));
    d.fileName = fileName;
    d.filter = kCalibrationFilter;
    return d;
}

}  // namespace

CalibrationFileRead CalibrationFromFileBytes(std::span<const std::uint8_t> bytes) {
    CalibrationFileRead result;
    result.fileLength = bytes.size();
    result.image.CopyIntoImage(bytes.first(std::min(bytes.size(), std::size_t{kCalImageSize})), 0);
    return result;
}

CalibrationFileRead ReadCalibrationFile(const std::string& path) {
    return CalibrationFromFileBytes(ReadWholeFile(path, limits::kCalibrationFileBytes));
}

void WriteCalibrationFile(const std::string& path, const CalImage& image) {
    WriteFileAtomic(path, image.bytes());
}

void FileState::StartTitle() {
    Title = VersionText + " [No File Loaded]";
}

void FileState::SetFileTitle() {
    Title = VersionText + " [" + CurrentFileName + "]";
    FileLoaded = true;
    AutoRetrieved = false;
}

void FileState::MarkAutoRetrieved() {
    Title = VersionText + " [Auto Retrieved File]";
    AutoRetrieved = true;
    FileLoaded = false;
}

void FileState::UpdateTitle() {
    if (!FileLoaded) return;
    Title = VersionText + " [" + CurrentFileName + (CalibrationChanged ? "*" : "") + "]";
}

namespace {

void ReportShortFile(Prompt& prompt, const std::string& path, const CalibrationFileRead& read) {
    if (!read.shortFile()) return;
    prompt.Message("The file \"" + FileNameOfPath(path) + "\" holds only " +
                       FormatNumber(static_cast<double>(read.fileLength), Pattern::Grouped) +
                       " of the " + FormatNumber(kCalImageSize, Pattern::Grouped) +
                       " calibration bytes. The missing bytes were set to 0.",
                   "Short Calibration File", Icon::Exclamation);
}

}  // namespace

bool OpenCalibrationFile(FileContext ctx, CalImage& image) {
    const auto path = ctx.prompt.OpenFile(CalibrationDialog(ctx, "Open", ""));
    if (!IsChosenPath(path)) return false;
    OpenCalibrationFileAt(ctx, image, *path);
    return true;
}

void OpenCalibrationFileAt(FileContext ctx, CalImage& image, const std::string& path) {
    const CalibrationFileRead read = ReadCalibrationFile(path);
    image = read.image;
    NameCurrentFile(ctx, path);
    ReportShortFile(ctx.prompt, path, read);
}

std::optional<ChosenCalibration> ChooseCalibrationFile(FileContext ctx, const std::string& title) {
    const auto path = ctx.prompt.OpenFile(CalibrationDialog(ctx, title, ""));
    if (!IsChosenPath(path)) return std::nullopt;
    const CalibrationFileRead read = ReadCalibrationFile(*path);
    ReportShortFile(ctx.prompt, *path, read);
    return ChosenCalibration{FileNameOfPath(*path), read.image};
}

SaveOutcome SaveCalibrationFile(FileContext ctx, const CalImage& image, bool saveAs) {
    if (!ctx.state.HasCalibration()) {
        ctx.prompt.Message("There is no file open.");
        return SaveOutcome::NoCalibration;
    }
    if (!saveAs && !ctx.state.CurrentFileFolder.empty()) {
        const std::string target = ctx.state.CurrentFileFolder + ctx.state.CurrentFileName;
        WriteCalibrationFile(target, image);
        ctx.state.CalibrationChanged = false;
        ctx.state.SetFileTitle();
        return SaveOutcome::Saved;
    }
    const auto target =
        ChooseSaveTarget(ctx, "Save As", ctx.state.CurrentFileName, kCalibrationFilter, ".DVF");
    if (!target) return SaveOutcome::Cancelled;
    WriteCalibrationFile(*target, image);
    NameCurrentFile(ctx, *target);
    return SaveOutcome::Saved;
}

std::optional<std::string> ChooseSaveTarget(FileContext ctx, const std::string& title,
                                            const std::string& fileName, const std::string& filter,
                                            const std::string& extension) {
    FileDialog dialog = CalibrationDialog(ctx, title, fileName);
    dialog.filter = filter;
    const auto path = ctx.prompt.SaveFile(dialog);
    if (!IsChosenPath(path)) return std::nullopt;
    std::string target = *path;
    if (target.size() < extension.size() ||
        Upper(target.substr(target.size() - extension.size())) != Upper(extension))
        target += extension;
    if (FileExists(target) &&
        ctx.prompt.YesNo(
            "A file with this name already exists. Would you like to overwrite this file?",
            "File Already Exists") != Answer::Yes) {
        return std::nullopt;
    }
    return target;
}

bool OfferSaveBeforeReplacing(FileContext ctx, const std::function<SaveOutcome()>& saveAs) {
    if (!ctx.state.CalibrationChanged) return true;
    if (ctx.prompt.YesNo(kSaveNowQuestion, "Save Changes?") != Answer::Yes) return true;
    return saveAs() == SaveOutcome::Saved;
}

bool ConfirmUnsavedOnClose(FileContext ctx, CloseReason reason,
                           const std::function<SaveOutcome()>& saveAs) {
    if (!ctx.state.CalibrationChanged || reason == CloseReason::System) return false;
    const Answer a = ctx.prompt.YesNoCancel(std::string(kSaveNowQuestion) +
                                            " Otherwise, press cancel to return to the program");
    if (a == Answer::Cancel) return true;
    if (a == Answer::Yes) return saveAs() != SaveOutcome::Saved;
    return false;
}

}  // namespace vx42
