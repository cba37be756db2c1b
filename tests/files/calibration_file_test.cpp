#include "files/calibration_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "files/file_io.h"
#include "files/paths.h"
#include "files/settings.h"
#include "support/files_bytes.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;

using test::FileBytes;

TEST(CalibrationFile, RoundTripIsExactlyTheImage) {
    test::TempDir dir;
    const CalImage image = test::PatternedImage(3);
    WriteCalibrationFile(dir.file("a.DVF"), image);
    EXPECT_EQ(FileLength(dir.file("a.DVF")), 2727u);
    const auto read = ReadCalibrationFile(dir.file("a.DVF"));
    EXPECT_FALSE(read.shortFile());
    EXPECT_EQ(read.image, image);
}

TEST(CalibrationFile, ShortFilesZeroTheRestAndLongFilesAreCut) {
    test::TempDir dir;
    std::ofstream(dir.file("short.DVF"), std::ios::binary) << std::string(100, '\x11');
    const auto read = ReadCalibrationFile(dir.file("short.DVF"));
    EXPECT_EQ(std::tuple(read.shortFile(), read.fileLength, read.image[99], read.image[100],
                         read.image[kCalImageLast]),
              std::tuple(true, 100u, 0x11, 0x00, 0x00));

    std::ofstream(dir.file("long.DVF"), std::ios::binary) << std::string(3000, '\x22');
    const auto longer = ReadCalibrationFile(dir.file("long.DVF"));
    EXPECT_EQ(std::tuple(longer.shortFile(), longer.image[kCalImageLast]), std::tuple(false, 0x22));
}

TEST(CalibrationFile, AWriteThatFailsLateLeavesNoTemporaryFile) {
    test::TempDir dir;
    // The temporary file is written, then cannot be renamed over a folder.
    fs::create_directory(dir.path() / "busy.DVF");
    EXPECT_THROW(WriteCalibrationFile(dir.file("busy.DVF"), test::PatternedImage(3)), FileError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

class FileCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings = LoadSettings(store, dir.str(), dir.str() + "/");
        state.VersionText = "VX42 Version 2.1.0";
        state.StartTitle();
    }
    FileContext ctx() { return {state, prompt, settings, store}; }
    void TearDown() override { EXPECT_TRUE(prompt.Unexpected().empty()) << prompt.Unexpected()[0]; }

    test::TempDir dir;
    MemorySettingsStore store;
    Settings settings;
    FileState state;
    ScriptedPrompt prompt;
    CalImage image = test::PatternedImage(3);
};

TEST_F(FileCommandsTest, TitleFollowsEveryFileState) {
    EXPECT_EQ(state.Title, "VX42 Version 2.1.0 [No File Loaded]");
    state.CalibrationChanged = true;
    state.UpdateTitle();  // no file: unchanged
    EXPECT_EQ(state.Title, "VX42 Version 2.1.0 [No File Loaded]");
    state.MarkAutoRetrieved();
    EXPECT_EQ(state.Title, "VX42 Version 2.1.0 [Auto Retrieved File]");
    state.UpdateTitle();
    EXPECT_EQ(state.Title, "VX42 Version 2.1.0 [Auto Retrieved File]");
    EXPECT_TRUE(state.CalibrationChanged);
    state.CurrentFileName = "truck.DVF";
    state.SetFileTitle();
    EXPECT_EQ(state.Title, "VX42 Version 2.1.0 [truck.DVF]");
    state.UpdateTitle();
    EXPECT_EQ(state.Title, "VX42 Version 2.1.0 [truck.DVF*]");
    EXPECT_TRUE(state.FileLoaded && !state.AutoRetrieved);
}

TEST_F(FileCommandsTest, SaveWithoutCalibrationSaysSo) {
    prompt.ExpectMessage("There is no file open.");
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, false), SaveOutcome::NoCalibration);
    prompt.ExpectMessage("There is no file open.");
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, true), SaveOutcome::NoCalibration);
}

TEST_F(FileCommandsTest, SaveAsAppendsTheExtensionAndAsksBeforeOverwriting) {
    state.MarkAutoRetrieved();
    state.CalibrationChanged = true;
    prompt.AnswerSaveFile(dir.file("truck"));
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, false), SaveOutcome::Saved);  // no file yet: dialog
    EXPECT_TRUE(FileExists(dir.file("truck.DVF")));
    EXPECT_EQ(std::tuple(state.Title, state.CalibrationChanged),
              std::tuple("VX42 Version 2.1.0 [truck.DVF]", false));
    EXPECT_EQ(settings.CalibrationPath, dir.str() + kPathSeparator);
    EXPECT_EQ(store.Get("Paths", "CalibrationPath"), dir.str() + kPathSeparator);
    EXPECT_EQ(prompt.Calls()[0].dialog.filter, "Dialvane File (*.DVF)|*.DVF");

    prompt.AnswerSaveFile(dir.file("lower.dvf"));
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, true), SaveOutcome::Saved);
    EXPECT_TRUE(FileExists(dir.file("lower.dvf")) && !FileExists(dir.file("lower.dvf.DVF")));

    image[0] = 0xAB;
    prompt.AnswerSaveFile(dir.file("truck.DVF"));
    prompt.AnswerYesNo(Answer::No);
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, true), SaveOutcome::Cancelled);
    EXPECT_NE(FileBytes(dir.file("truck.DVF"))[0], 0xAB);
    EXPECT_EQ(prompt.Calls().back().title, "File Already Exists");

    prompt.AnswerSaveFile(dir.file("truck.DVF"));
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, true), SaveOutcome::Saved);
    EXPECT_EQ(FileBytes(dir.file("truck.DVF"))[0], 0xAB);

    prompt.AnswerSaveFile(std::nullopt);
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, true), SaveOutcome::Cancelled);
    prompt.AnswerSaveFile("bare-name");  // no folder: counts as a cancel
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, true), SaveOutcome::Cancelled);
}

TEST_F(FileCommandsTest, QuickSaveAfterARetrieveGoesToTheEarlierFile) {
    WriteCalibrationFile(dir.file("first.DVF"), CalImage{});
    prompt.AnswerOpenFile(dir.file("first.DVF"));
    ASSERT_TRUE(OpenCalibrationFile(ctx(), image));
    state.MarkAutoRetrieved();
    image[5] = 0x55;
    EXPECT_EQ(SaveCalibrationFile(ctx(), image, false), SaveOutcome::Saved);  // no dialog
    EXPECT_EQ(FileBytes(dir.file("first.DVF"))[5], 0x55);
    EXPECT_EQ(state.Title, "VX42 Version 2.1.0 [first.DVF]");
}

TEST_F(FileCommandsTest, OpenReplacesTheImageOnlyWhenTheReadSucceeded) {
    const CalImage before = image;
    prompt.AnswerOpenFile(dir.file("missing.DVF"));
    EXPECT_THROW(OpenCalibrationFile(ctx(), image), FileError);
    EXPECT_EQ(std::tuple(image, state.FileLoaded), std::tuple(before, false));

    std::ofstream(dir.file("short.DVF"), std::ios::binary) << std::string(10, '\x01');
    prompt.AnswerOpenFile(dir.file("short.DVF"));
    prompt.ExpectMessage("holds only 10 of the 2,727 calibration bytes");
    state.CalibrationChanged = true;
    EXPECT_TRUE(OpenCalibrationFile(ctx(), image));
    EXPECT_EQ(std::tuple(image[9], image[10], state.CalibrationChanged, state.CurrentFileName,
                         state.Title),
              std::tuple(0x01, 0x00, false, "short.DVF", "VX42 Version 2.1.0 [short.DVF]"));
}

TEST_F(FileCommandsTest, UnsavedChangesAreNeverLostSilently) {
    state.MarkAutoRetrieved();
    state.CalibrationChanged = true;
    auto saveAs = [this] { return SaveCalibrationFile(ctx(), image, true); };

    // Before opening: Yes and then cancelling the dialog cancels the open.
    prompt.AnswerYesNo(Answer::Yes);
    prompt.AnswerSaveFile(std::nullopt);
    EXPECT_FALSE(OfferSaveBeforeReplacing(ctx(), saveAs));
    EXPECT_EQ(prompt.Calls()[0].title, "Save Changes?");
    prompt.AnswerYesNo(Answer::No);
    EXPECT_TRUE(OfferSaveBeforeReplacing(ctx(), saveAs));

    // Closing: Cancel keeps the window, Yes with a cancelled save keeps it too.
    prompt.AnswerYesNoCancel(Answer::Cancel);
    EXPECT_TRUE(ConfirmUnsavedOnClose(ctx(), CloseReason::User, saveAs));
    prompt.AnswerYesNoCancel(Answer::Yes);
    prompt.AnswerSaveFile(std::nullopt);
    EXPECT_TRUE(ConfirmUnsavedOnClose(ctx(), CloseReason::User, saveAs));
    prompt.AnswerYesNoCancel(Answer::No);
    EXPECT_FALSE(ConfirmUnsavedOnClose(ctx(), CloseReason::Code, saveAs));
    EXPECT_FALSE(ConfirmUnsavedOnClose(ctx(), CloseReason::System, saveAs));  // no question
    prompt.AnswerYesNoCancel(Answer::Yes);
    prompt.AnswerSaveFile(dir.file("kept"));
    EXPECT_FALSE(ConfirmUnsavedOnClose(ctx(), CloseReason::User, saveAs));
    EXPECT_TRUE(FileExists(dir.file("kept.DVF")));
    // Nothing changed: no question at all.
    EXPECT_FALSE(ConfirmUnsavedOnClose(ctx(), CloseReason::User, saveAs));
}

}  // namespace
}  // namespace vx42
