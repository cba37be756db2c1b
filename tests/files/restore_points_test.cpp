#include "files/restore_points.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "base/file_lock.h"
#include "files/file_io.h"
#include "files/input_limits.h"
#include "files/paths.h"
#include "files/settings.h"
#include "support/files_bytes.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

constexpr auto Image = test::PatternedImage;

std::vector<std::string> Events(const ModuleHistory& m) {
    std::vector<std::string> out;
    for (const auto& e : m.entries) out.push_back(e.event);
    return out;
}

void WriteCalibrationBytes(const std::string& path, const CalImage& image) {
    WriteFileAtomic(path, image.bytes());
}

std::size_t CalibrationFiles(const std::string& folder) {
    std::size_t n = 0;
    for (const auto& f : fs::recursive_directory_iterator(folder))
        n += f.path().extension() == ".DVF";
    return n;
}

TEST(RestorePoints, KeepsEachDifferentImageOnceAndReadsItBack) {
    TempDir dir;
    RestorePoints store(dir.str());
    EXPECT_THAT(store.Modules(), ::testing::IsEmpty());
    EXPECT_TRUE(store.Record("FT12AB34", Image(1), restore_event::Retrieve, 1000));
    EXPECT_FALSE(store.Record("FT12AB34", Image(1), restore_event::Update, 1001));  // same image
    EXPECT_TRUE(store.Record("FT12AB34", Image(2), restore_event::Update, 1001));
    EXPECT_TRUE(store.Record("FT12AB34", Image(1), restore_event::Retrieve, 1001));  // back again
    EXPECT_TRUE(store.Record("  ", Image(3), restore_event::BeforeUpgrade, 1002));

    const auto modules = store.Modules();
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(std::tuple(modules[0].serial, modules[0].lastSeen, modules[1].serial),
              std::tuple("FT12AB34", 1001, kUnknownModule));
    EXPECT_EQ(Events(modules[0]), (std::vector<std::string>{"Retrieve", "Update", "Retrieve"}));
    EXPECT_NE(modules[0].entries[1].file, modules[0].entries[2].file);  // same second
    EXPECT_EQ(store.Load(modules[0], modules[0].entries[1]), Image(2));
    EXPECT_EQ(store.Load(modules[0], modules[0].entries[2]), Image(1));
    EXPECT_EQ(store.Load(modules[1], modules[1].entries[0]), Image(3));
    // The entries are ordinary calibration files.
    EXPECT_EQ(FileLength(store.PathOf(modules[0], modules[0].entries[0])),
              static_cast<std::uintmax_t>(kCalImageSize));
}

TEST(RestorePoints, DropsTheOldestBeyondTheLimitWithTheirFiles) {
    TempDir dir;
    RestorePoints store(dir.str(), 3);
    for (std::uint8_t i = 0; i < 5; ++i) store.Record("A", Image(i), "Update", 100 + i);
    const auto m = *store.Module("A");
    ASSERT_EQ(m.entries.size(), 3u);
    EXPECT_EQ(store.Load(m, m.entries[0]), Image(2));
    EXPECT_EQ(store.Load(m, m.entries[2]), Image(4));
    EXPECT_EQ(CalibrationFiles(dir.str()), 3u);

    MemorySettingsStore settings;
    EXPECT_EQ(RestorePointLimit(settings), 200);
    for (const auto& [text, limit] : std::vector<std::pair<std::string, int>>{
             {"25", 25}, {"0", 200}, {"-4", 200}, {"12x", 200}, {"100001", 200}}) {
        settings.Set("History", "RestorePointLimit", text);
        EXPECT_EQ(RestorePointLimit(settings), limit) << text;
    }
}

TEST(RestorePoints, TheFirstChangeAfterAnEntryNamesTheNextRetrieve) {
    TempDir dir;
    RestoreKeeper keeper(dir.str(), 200);
    keeper.Changed();  // nothing kept yet: nothing to mark
    EXPECT_TRUE(keeper.Keep("A", Image(1), restore_event::Retrieve));
    keeper.Changed();
    EXPECT_TRUE(keeper.store()->Module("A")->movedOn);
    EXPECT_TRUE(keeper.Keep("A", Image(2), restore_event::Retrieve));
    const auto m = *keeper.store()->Module("A");
    EXPECT_EQ(Events(m), (std::vector<std::string>{"Retrieve", "Retrieve after changes"}));
    EXPECT_FALSE(m.movedOn);
    // Without a folder nothing is kept.
    RestoreKeeper none("", 200);
    EXPECT_TRUE(!none.enabled() && none.Keep("A", Image(1), restore_event::Retrieve));
}

TEST(RestorePoints, AKeepThatCannotBeWrittenSaysWhy) {
    TempDir dir;
    const std::string taken = dir.file("history");
    WriteFileAtomic(taken, std::vector<std::uint8_t>{1});  // a file where the folder should be
    RestoreKeeper keeper(taken, 200);
    const auto kept = keeper.Keep("A", Image(1), restore_event::Retrieve);
    ASSERT_FALSE(kept);
    EXPECT_NE(kept.error().message.find("history"), std::string::npos) << kept.error().message;
}

TEST(RestorePoints, AHostileIndexIsRefusedAndSetAsideByTheNextRecord) {
    const std::vector<std::string> hostile = {
        "{",
        "[]",
        R"({"format":1})",
        R"({"format":2,"modules":[]})",
        R"({"format":1,"modules":[{"serial":"A","folder":"../..","lastSeen":1,"entries":[]}]})",
        R"({"format":1,"modules":[{"serial":"A","folder":"A","lastSeen":1,"entries":[)"
        R"({"file":"../../etc/passwd","time":1,"event":"x"}]}]})",
        R"({"format":1,"modules":[{"serial":"A","folder":"A","lastSeen":"1","entries":[]}]})",
        R"({"format":1,"modules":[{"serial":"A","folder":"A","lastSeen":1,"entries":[]},)"
        R"({"serial":"A","folder":"B","lastSeen":1,"entries":[]}]})",
    };
    for (const std::string& text : hostile) {
        SCOPED_TRACE(text);
        TempDir dir;
        std::ofstream(dir.file("index.json")) << text;
        RestorePoints store(dir.str());
        EXPECT_THROW(store.Modules(), FileError);
        EXPECT_TRUE(store.Record("A", Image(1), "Retrieve", 1700000000));
        EXPECT_EQ(store.Modules().size(), 1u);
        EXPECT_TRUE(FileExists(dir.file("index-damaged-20231114-221320.json")));
    }
}

TEST(RestorePoints, ADamagedIndexThatCannotBeSetAsideFailsTheRecord) {
    TempDir dir;
    RestorePoints store(dir.str());
    store.Record("A", Image(1), restore_event::Retrieve, 10);
    std::ofstream(dir.file("A/index.json")) << "{";
    // The rename is refused: its target is taken by a folder that is not empty.
    fs::create_directories(dir.path() / "A/index-damaged-20231114-221320.json/held");
    EXPECT_THROW(store.Record("A", Image(2), restore_event::Update, 1700000000), FileError);
    // Nothing was kept anywhere else instead.
    EXPECT_FALSE(FileExists(dir.file("index.json")));
    EXPECT_EQ(CalibrationFiles(dir.str()), 1u);
}

TEST(RestorePoints, EachModuleHasItsOwnIndexAndTheSharedOneIsStillRead) {
    TempDir dir;
    // What an older version kept: one index for every module.
    fs::create_directories(dir.path() / "OLD1");
    WriteCalibrationBytes(dir.file("OLD1/20200101-000000.DVF"), Image(9));
    std::ofstream(dir.file("index.json"))
        << R"({"format":1,"modules":[{"serial":"OLD1","folder":"OLD1","lastSeen":5,)"
           R"("entries":[{"file":"20200101-000000.DVF","time":5,"event":"Retrieve"}]}]})";
    RestorePoints store(dir.str());
    EXPECT_TRUE(store.Record("NEW2", Image(1), restore_event::Retrieve, 10));
    EXPECT_TRUE(FileExists(dir.file("NEW2/index.json")));
    auto modules = store.Modules();
    ASSERT_EQ(modules.size(), 2u);
    ASSERT_EQ(modules[0].serial, "OLD1");
    EXPECT_EQ(store.Load(modules[0], modules[0].entries[0]), Image(9));
    // The old module's next entry carries its history over into its own index.
    EXPECT_TRUE(store.Record("OLD1", Image(2), restore_event::Update, 20));
    EXPECT_TRUE(FileExists(dir.file("OLD1/index.json")));
    EXPECT_EQ(Events(*store.Module("OLD1")), (std::vector<std::string>{"Retrieve", "Update"}));
}

TEST(RestorePoints, AnIndexOverItsCapIsReportedAndLeftAsItIs) {
    TempDir dir;
    RestorePoints store(dir.str());
    store.Record("BIG", Image(1), restore_event::Retrieve, 10);
    const std::string index = dir.file("BIG/index.json");
    std::ofstream(index, std::ios::app) << std::string(limits::kRestoreIndexJson.bytes, ' ');
    const auto length = FileLength(index);
    try {
        store.Record("BIG", Image(2), restore_event::Retrieve, 11);
        FAIL() << "an index over its cap was used";
    } catch (const FileError& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("more than the"));
    }
    EXPECT_THROW(store.Modules(), FileError);
    EXPECT_EQ(FileLength(index), length);  // not set aside, not rewritten
    for (const auto& f : fs::recursive_directory_iterator(dir.path()))
        EXPECT_EQ(f.path().filename().string().find("damaged"), std::string::npos);
    // The other modules keep their history.
    EXPECT_TRUE(store.Record("SMALL", Image(3), restore_event::Retrieve, 12));
}

// A write that fails, of the calibration or of the index, leaves the history as it was; the
// calibration is written first, so no index ever lists a calibration that was never written.
TEST(RestorePoints, AFailedWriteLeavesTheHistoryAsItWas) {
    for (const char* failing : {".DVF", "index.json"}) {
        SCOPED_TRACE(failing);
        TempDir dir;
        std::vector<std::string> written;
        bool fail = false;
        RestorePoints store(dir.str(), 200,
                            [&](const std::string& path, std::span<const std::uint8_t> bytes) {
                                if (fail && path.ends_with(failing))
                                    throw FileError("Cannot write \"" + path + "\": disk full");
                                written.push_back(path.ends_with(".DVF") ? "calibration" : "index");
                                WriteFileAtomic(path, bytes);
                            });
        store.Record("A", Image(1), restore_event::Retrieve, 10);
        EXPECT_EQ(written, (std::vector<std::string>{"calibration", "index"}));
        const auto before = store.Modules();
        fail = true;
        EXPECT_THROW(store.Record("A", Image(2), restore_event::Update, 11), FileError);
        EXPECT_EQ(store.Modules(), before);
        const auto m = *store.Module("A");
        for (const auto& e : m.entries) EXPECT_TRUE(FileExists(store.PathOf(m, e)));
        fail = false;
        EXPECT_TRUE(store.Record("A", Image(2), restore_event::Update, 11));
        const auto after = *store.Module("A");
        ASSERT_EQ(after.entries.size(), 2u);
        EXPECT_EQ(store.Load(after, after.entries[1]), Image(2));
    }
}

TEST(RestorePoints, AWriterWaitsForTheLockAWhileThenNamesItsHolder) {
    TempDir dir;
    RestorePoints store(dir.str());
    store.SetLockWait(std::chrono::milliseconds(100));
    SetLockHolderName("vx42ctl");
    auto held = std::make_unique<FileLock>(dir.file("history.lock"), std::chrono::seconds(1));
    ASSERT_TRUE(held->held());
    try {
        store.Record("A", Image(1), restore_event::Retrieve, 10);
        FAIL() << "kept while another program held the lock";
    } catch (const FileError& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr(LockHolderText()));
    }
    EXPECT_FALSE(store.Module("A"));
    // A holder that lets go within the wait does not fail the record.
    store.SetLockWait(std::chrono::seconds(5));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        held.reset();
    });
    EXPECT_TRUE(store.Record("A", Image(1), restore_event::Retrieve, 10));
    release.join();
}

TEST(RestorePoints, WritersAtOnceLoseNoEntry) {
    TempDir dir;
    constexpr int kWriters = 4, kEach = 15;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            // Each writer as its own process would: its own store over the same folder.
            RestorePoints store(dir.str(), 1000);
            for (int i = 0; i < kEach; ++i)
                store.Record(w % 2 ? "A" : "B", Image(static_cast<std::uint8_t>(w * kEach + i)),
                             restore_event::Update, 100 + i);
        });
    for (auto& t : writers) t.join();
    RestorePoints store(dir.str(), 1000);
    EXPECT_EQ(store.Module("A")->entries.size() + store.Module("B")->entries.size(),
              static_cast<std::size_t>(kWriters * kEach));
    EXPECT_EQ(CalibrationFiles(dir.str()), static_cast<std::size_t>(kWriters * kEach));
}

}  // namespace
}  // namespace vx42
