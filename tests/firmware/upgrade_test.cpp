#include "firmware/upgrade.h"

#include <gtest/gtest.h>

#include <fstream>

#include "device/link_fixture.h"
#include "firmware/upgrade_restore_point.h"
#include "support/files_bytes.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace st = upgrade_status;

using test::Counting;

FirmwareRecord Record(std::int32_t address, Bytes data) {
    return {1, static_cast<std::int32_t>(data.size()), address, std::move(data)};
}

UpgradeFile FirmwareUpgrade(std::vector<FirmwareRecord> records) {
    UpgradeFile file;
    file.fileName = "app.ROM";
    file.extension = "ROM";
    file.firmware.recordCount = static_cast<std::uint8_t>(records.size());
    file.firmware.records = std::move(records);
    return file;
}

UpgradeFile BootUpgrade(std::size_t fileBytes) {
    UpgradeFile file;
    file.fileName = "Upgrade.BLU";
    file.extension = "BLU";
    file.bootImage = Counting(3, fileBytes);
    file.bootImage.push_back(0x00);  // as a loaded image ends
    return file;
}

using test::Step;

// Collects what the dialog would show.
struct Shown {
    std::vector<std::string> status;
    std::vector<Step> progress;
    StatusLine Status() {
        return [this](const std::string& s) { status.push_back(s); };
    }
    Progress Bar() { return test::Recorder(progress); }
};

// Bootloader block frames sent: (24-bit address, 16 data bytes).
std::vector<std::pair<std::uint32_t, Bytes>> BootBlocks(const LinkFixture& f) {
    std::vector<std::pair<std::uint32_t, Bytes>> out;
    for (const auto& r : f.Requests())
        if (r.size() == 24 && r[0] == 'P' && r[5] == '0' && r[6] == '0' && r[7] == '0')
            out.push_back(
                {(std::uint32_t{r[1]} << 16) | (r[2] << 8) | r[3], Bytes(r.begin() + 8, r.end())});
    return out;
}

bool SentLetter(const LinkFixture& f, char letter) {
    for (const auto& r : f.Requests())
        if (r.size() == 1 && r[0] == letter) return true;
    return false;
}

// ---- Firmware ----

TEST(FirmwareUpgrade, RecordsLandByteForByteInProgramMemoryOverTheWindowsConnection) {
    LinkFixture f;
    f.Connect();
    ASSERT_TRUE(f.link.Online());
    const auto file =
        FirmwareUpgrade({Record(0x008000, Counting(1, 20)), Record(0x012340, Counting(9, 32)),
                         Record(0x01F000, Counting(5, 3))});
    Shown shown;
    EXPECT_EQ(StartUpgrade(f.link, true, file, shown.Status(), shown.Bar()),
              UpgradeOutcome::Complete);

    EXPECT_EQ(shown.status, (std::vector<std::string>{st::StartingFirmware, st::SendingFinish,
                                                      st::SendingReset, st::FirmwareComplete}));
    // Every data byte at its address; each record's last block filled with 0xFF; nothing else.
    std::map<std::uint32_t, std::uint8_t> expected;
    for (const auto& r : file.firmware.records) {
        const auto end = static_cast<std::uint32_t>(r.address + r.length);
        for (auto a = static_cast<std::uint32_t>(r.address); a < (end + 15) / 16 * 16; ++a)
            expected[a] = a < end ? r.data[a - static_cast<std::uint32_t>(r.address)] : 0xFF;
    }
    EXPECT_EQ(f.module().ProgramMemory(), expected);
    EXPECT_EQ(
        std::tuple(f.module().UpgradeFinished(), f.module().Resets(), f.module().InBootloader()),
        std::tuple(true, 1, false));
    // The window's connection was used and is closed: the window is offline.
    EXPECT_FALSE(f.link.Online() || f.link.DeviceOpen());

    // Progress: the caption first, then one step per block acknowledged up to the total.
    std::vector<int> steps;
    for (const auto& step : shown.progress) steps.push_back(step.done);
    EXPECT_EQ(steps, (std::vector<int>{0, 16, 20, 36, 52, 55}));
    EXPECT_EQ(shown.progress.front(), (Step{0, 55, " Bytes of 55 Bytes copied."}));
    EXPECT_EQ(shown.progress[2], (Step{20, 55, "20 Bytes of 55 Bytes copied."}));
    EXPECT_EQ(shown.progress.back(), (Step{55, 55, "55 Bytes of 55 Bytes copied."}));
    EXPECT_TRUE(f.prompt.Unexpected().empty());
}

TEST(FirmwareUpgrade, FailedUnlockIsReportedAndAModuleSilentAtTheHandOverStopsSilently) {
    struct Case {
        const char* what;
        int first, count;  // exchanges after the start that fail
        Fault fault;
        bool handedOver;  // the module's own state afterwards
    };
    // A module that was set to run: the hand-over flag is clear. When the staged unlock's first
    // step is never acknowledged the marker is not sent, the module answers "N" to the "?"
    // that asks whether it already waits in its bootloader, and the change-write message is
    // shown.
    const std::vector<Case> cases{
        {"unlock fails", 1, 5, Fault::CorruptChecksum, false},
        {"does not answer", 6, 1, Fault::Drop, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LinkFixture f;
        f.Connect();
        const std::uint8_t clear[2] = {0, 0};
        f.module().Write(address::UpgradeUnlock, clear);
        const int base = f.sim->Exchanges();
        for (int i = 0; i < c.count; ++i) f.sim->InjectAt(base + c.first + i, c.fault);
        if (!c.handedOver) f.prompt.ExpectMessage("Error Writing Calibration Change");

        Shown shown;
        EXPECT_EQ(StartUpgrade(f.link, true, FirmwareUpgrade({Record(0x8000, Counting(1, 16))}),
                               shown.Status(), shown.Bar()),
                  UpgradeOutcome::Refused);
        EXPECT_TRUE(shown.status.empty() && SentLetter(f, '?'));
        EXPECT_EQ(f.module().Read(address::Marker, 2) == (Bytes{0xCB, 0xE0}), c.handedOver);
        EXPECT_EQ(f.module().InBootloader(), c.handedOver);
        EXPECT_TRUE(BootBlocks(f).empty() && f.module().ProgramMemory().empty());
        EXPECT_FALSE(f.link.DeviceOpen());
        EXPECT_TRUE(f.prompt.ScriptDone() && f.prompt.Unexpected().empty());
    }
}

TEST(FirmwareUpgrade, UnacknowledgedStepEndsTheListAtTheLastLineReachedAndANewStartResumes) {
    // Exchanges: 4 staged steps, the marker and "?" for the hand-over, 3 blocks, "C", "G".
    const std::vector<std::pair<int, std::vector<std::string>>> cases{
        {8, {st::StartingFirmware, st::FlashFailed, st::CheckConnection}},
        {10, {st::StartingFirmware, st::SendingFinish}},
        {11, {st::StartingFirmware, st::SendingFinish, st::SendingReset}},
    };
    const auto file = FirmwareUpgrade({Record(0x008000, Counting(1, 40))});
    for (const auto& [lost, lines] : cases) {
        SCOPED_TRACE(lost);
        LinkFixture f;
        f.Connect();
        f.sim->InjectAt(f.sim->Exchanges() + lost, Fault::Drop);
        Shown shown;
        EXPECT_EQ(StartUpgrade(f.link, true, file, shown.Status(), shown.Bar()),
                  UpgradeOutcome::Failed);
        EXPECT_EQ(shown.status, lines);
        EXPECT_EQ(SentLetter(f, 'G'), lost == 11);
        EXPECT_FALSE(f.link.DeviceOpen());
        if (lost != 8) continue;

        // A lost block: no retry, the third block never goes out, only the acknowledged block
        // is shown as copied.
        EXPECT_EQ(std::tuple(BootBlocks(f).size(), SentLetter(f, 'C'), f.module().InBootloader(),
                             shown.progress.back().done),
                  std::tuple(2u, false, true, 16));

        // The module waits in its bootloader; a new start opens the link itself and sends it
        // all.
        f.sim->ClearLog();
        Shown again;
        EXPECT_EQ(StartUpgrade(f.link, false, file, again.Status(), again.Bar()),
                  UpgradeOutcome::Complete);
        EXPECT_EQ(again.status.back(), st::FirmwareComplete);
        EXPECT_EQ(BootBlocks(f).size(), 3u);
        const Bytes& data = file.firmware.records[0].data;
        for (std::uint32_t i = 0; i < data.size(); ++i)
            EXPECT_EQ(f.module().ProgramMemory().at(0x008000u + i), data[i]);
        EXPECT_FALSE(f.link.DeviceOpen());
    }
}

// ---- The restore point before an upgrade ----

// A connected module, a restore-point store, and an upgrade that keeps a point first.
struct Upgrading {
    Upgrading() { f.Connect(); }
    UpgradeOutcome Start() {
        return StartUpgrade(f.link, true, FirmwareUpgrade({Record(0x8000, Bytes(16, 0x5A))}), {},
                            {}, [this](ModuleLink& link) {
                                return KeepRestorePointBeforeUpgrade(link, keeper, f.prompt, {});
                            });
    }
    LinkFixture f;
    test::TempDir dir;
    RestoreKeeper keeper{dir.str(), 200};
    RestorePoints& store = *keeper.store();
};

TEST(UpgradeRestorePoint, TheCalibrationIsKeptBeforeAnythingIsSent) {
    Upgrading u;
    const CalImage image = test::PatternedImage(0);
    u.f.module().Write(kCalBaseAddress, image.bytes());
    EXPECT_EQ(u.Start(), UpgradeOutcome::Complete);
    const auto m = u.store.Module(u.f.link.DeviceSerial());
    ASSERT_TRUE(m && m->entries.size() == 1u);
    EXPECT_EQ(m->entries[0].event, restore_event::BeforeUpgrade);
    EXPECT_EQ(u.store.Load(*m, m->entries[0]), image);
    // Remembered for the check after the upgrade.
    EXPECT_EQ(u.keeper.TakeBeforeUpgrade(u.f.link.DeviceSerial()), image);
    EXPECT_TRUE(u.f.prompt.Unexpected().empty());
}

TEST(UpgradeRestorePoint, AFailedRetrieveAsksWhetherToUpgradeWithoutOne) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        Upgrading u;
        LinkFixture& f = u.f;
        // The first block is never answered.
        for (int k = 1; k <= 5; ++k) f.sim->InjectAt(f.sim->Exchanges() + k, sim::Fault::Drop);
        f.prompt.ExpectMessage("Error Retrieving Calibration");
        f.prompt.AnswerYesNo(answer);
        EXPECT_EQ(u.Start(),
                  answer == Answer::Yes ? UpgradeOutcome::Complete : UpgradeOutcome::Cancelled);
        EXPECT_EQ(BootBlocks(f).size(), answer == Answer::Yes ? 1u : 0u);
        EXPECT_TRUE(u.store.Modules().empty() && !f.link.Online());
        EXPECT_TRUE(f.prompt.Unexpected().empty());
        ASSERT_EQ(f.prompt.Calls().size(), 2u);
        EXPECT_EQ(std::tuple(f.prompt.Calls()[1].text, f.prompt.Calls()[1].defaultAnswer),
                  std::tuple(kNoRestorePointQuestion, Answer::No));
    }
}

// ---- Files and extensions ----

TEST(UpgradeFiles, TheVersionShownIsTheConnectedModulesOrNone) {
    EXPECT_EQ(FirmwareVersionText(true, "2.1.0"), "2.1.0");
    EXPECT_EQ(FirmwareVersionText(false, "2.1.0"), "Not connected");  // left from before
    EXPECT_EQ(FirmwareVersionText(true, ""), "Not connected");
    for (const char* e : {"ROM", "rom", "Rm2"}) EXPECT_EQ(UpgradeKindOf(e), UpgradeKind::Firmware);
    EXPECT_EQ(UpgradeKindOf("blu"), UpgradeKind::BootLoader);
    for (const char* e : {"", "BIN", "ROMX"}) EXPECT_EQ(UpgradeKindOf(e), UpgradeKind::None);
}

TEST(UpgradeFiles, LoadedInAnyCaseAndFilesThatCannotBeSent) {
    LinkFixture f;
    // A lower-case BLU file loads as its bytes and a 0x00; a failed load keeps it whole.
    test::TempDir dir;
    std::ofstream(dir.file("boot.blu"), std::ios::binary) << "0123456789";
    UpgradeFile file;
    ASSERT_TRUE(LoadUpgradeFile(dir.file("boot.blu"), file, f.prompt));
    EXPECT_EQ(file.bootImage, (Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0}));
    f.prompt.ExpectMessage(kFileNotFound);
    EXPECT_FALSE(LoadUpgradeFile(dir.file("missing.ROM"), file, f.prompt));
    EXPECT_EQ(std::pair(file.fileName, file.bootImage.size()),
              std::pair(std::string("boot.blu"), std::size_t{11}));

    // Another extension, no file: nothing is sent.
    const int before = f.sim->Exchanges();
    std::ofstream(dir.file("notes.txt")) << "text";
    ASSERT_TRUE(LoadUpgradeFile(dir.file("notes.txt"), file, f.prompt));
    EXPECT_EQ(StartUpgrade(f.link, false, file, {}, {}), UpgradeOutcome::NothingToSend);
    EXPECT_EQ(StartUpgrade(f.link, false, UpgradeFile{}, {}, {}), UpgradeOutcome::NoFile);
    EXPECT_EQ(std::tuple(f.sim->Exchanges(), f.link.DeviceOpen()), std::tuple(before, false));

    f.sim->Unplug(0);
    f.prompt.ExpectMessage("No Dialvane found.");
    EXPECT_EQ(StartUpgrade(f.link, false, BootUpgrade(20), {}, {}), UpgradeOutcome::NoLink);
    EXPECT_TRUE(f.prompt.Unexpected().empty());
}

TEST(UpgradeFiles, FilesThatCannotBeSentAreRefusedBeforeTheLinkIsTouched) {
    // The bracket writes whole blocks from 0x0400; the last must end below the marker 0x38F4.
    const int largest = LargestBootLoaderFile();
    const std::vector<std::pair<UpgradeFile, std::string>> refused{
        {FirmwareUpgrade({}), "\"app.ROM\" holds no firmware records; nothing was sent"},
        {FirmwareUpgrade({Record(0x8000, {})}), "\"app.ROM\" holds no firmware records"},
        {BootUpgrade(0), "\"Upgrade.BLU\" is empty; nothing was sent"},
        {BootUpgrade(static_cast<std::size_t>(largest) + 1),
         "\"Upgrade.BLU\" is 13550 bytes, more than the 13549 bytes"},
        {BootUpgrade(70000), "\"Upgrade.BLU\" is 70000 bytes, more than the 13549 bytes"},
    };
    for (const auto& [file, message] : refused) {
        SCOPED_TRACE(message);
        LinkFixture f;
        f.prompt.ExpectMessage(message);
        EXPECT_EQ(StartUpgrade(f.link, false, file, {}, {}), UpgradeOutcome::NothingToSend);
        EXPECT_TRUE(f.prompt.ScriptDone());
        EXPECT_EQ(std::tuple(f.sim->Exchanges(), f.sim->IsOpen(0)), std::tuple(0, false));
    }

    // The largest file fits: its last block is the last whole one below the marker.
    LinkFixture f;
    EXPECT_EQ(StartUpgrade(f.link, false, BootUpgrade(static_cast<std::size_t>(largest)), {}, {}),
              UpgradeOutcome::Complete);
    int end = 0;
    for (const auto& r : f.Requests())
        if (r.size() == 20 && r[0] == 'P') end = std::max(end, (r[1] << 8 | r[2]) + 16);
    EXPECT_LE(end, address::Marker);
    EXPECT_GT(end + 16, address::Marker);  // one block more would reach it
}

// ---- Bootloader image ----

TEST(BootLoaderUpgrade, ImageLandsFrom0400PaddedWithFFAndTheInstallMarkerFollows) {
    // 100 file bytes and the loaded 0x00: blocks 0 to 96. 110 file bytes: the image's highest
    // index is 110 and the blocks run while offset <= 112, so one block wholly of 0xFF follows.
    for (const auto& [fileBytes, writtenEnd] : {std::pair{100, 112}, std::pair{110, 128}}) {
        SCOPED_TRACE(fileBytes);
        LinkFixture f;
        const Bytes before(200, 0x5A);
        f.module().Write(0x0400, before);
        const auto file = BootUpgrade(static_cast<std::size_t>(fileBytes));
        Shown shown;
        EXPECT_EQ(StartUpgrade(f.link, false, file, shown.Status(), shown.Bar()),
                  UpgradeOutcome::Complete);
        EXPECT_EQ(shown.status,
                  (std::vector<std::string>{st::StartingBootLoader, st::BootLoaderComplete,
                                            st::LoadFirmwareNext}));
        Bytes expected = file.bootImage;  // the file's bytes and the 0x00
        expected.resize(static_cast<std::size_t>(writtenEnd), 0xFF);
        expected.resize(before.size(), 0x5A);  // untouched beyond the last block
        EXPECT_EQ(f.module().Read(0x0400, static_cast<int>(before.size())), expected);
        EXPECT_EQ(f.module().Read(address::Marker, 2), (Bytes{0x04, 0x00}));
        EXPECT_EQ(f.module().Read(address::AfterUpdate, 1), Bytes{0xFF});
        EXPECT_FALSE(f.module().Frozen() || f.link.DeviceOpen());

        // The bar runs to the image's highest index; the caption counts its bytes.
        const int highest = fileBytes;
        const std::string all = std::to_string(highest + 1);
        EXPECT_EQ(shown.progress.front(),
                  (Step{0, highest, " Bytes of " + all + " Bytes copied."}));
        EXPECT_EQ(shown.progress.back(),
                  (Step{highest, highest, all + " Bytes of " + all + " Bytes copied."}));
        EXPECT_EQ(shown.progress.size(), static_cast<std::size_t>(writtenEnd / 16));
    }
}

TEST(BootLoaderUpgrade, InstallMarkerNotAcknowledgedReportsNoCompletion) {
    LinkFixture f;
    // Freeze, 3 blocks, clear, 0x3901, then the marker (one attempt).
    f.sim->InjectAt(7, Fault::Drop);
    Shown shown;
    EXPECT_EQ(StartUpgrade(f.link, false, BootUpgrade(40), shown.Status(), {}),
              UpgradeOutcome::Failed);
    EXPECT_EQ(shown.status, std::vector<std::string>{st::StartingBootLoader});
    EXPECT_EQ(std::tuple(f.sim->Exchanges(), f.link.DeviceOpen()), std::tuple(7, false));
}

// ---- Service commands ----

TEST(ServiceCommands, ReadAddressTakesDecimalOrHexadecimal) {
    EXPECT_EQ(ParseReadAddress("&H3B7B"), 0x3B7B);
    EXPECT_EQ(ParseReadAddress("&hffff"), 0xFFFF);
    EXPECT_EQ(ParseReadAddress(" 12.5"), 12);  // nearest, halves to even
    EXPECT_EQ(ParseReadAddress("13.5 bytes"), 14);
    EXPECT_EQ(ParseReadAddress("abc"), 0);
    // Not one of the module's addresses: nothing is read.
    for (const char* text : {"65536", "-1", "&H10000", "&H99999999999999999999"})
        EXPECT_EQ(ParseReadAddress(text), std::nullopt) << text;
    EXPECT_EQ(ReadValueText(0x0A, 0xF0), "Value: $A $F0");
}

TEST(ServiceCommands, ReadAddressAndSendBootloaderCloseOnlyWhatTheyOpened) {
    LinkFixture f;
    const std::uint8_t word[2] = {0x00, 0x7D};
    f.module().Write(0x3B7B, word);
    EXPECT_EQ(ReadAddress(f.link, "&H3B7B"), "Value: $0 $7D");
    EXPECT_FALSE(f.link.DeviceOpen());
    EXPECT_EQ(ReadAddress(f.link, "70000"), std::nullopt);
    EXPECT_EQ(f.sim->Exchanges(), 1);  // a bad address sends nothing

    EXPECT_TRUE(SendBootloader(f.link));
    EXPECT_EQ(f.module().Read(address::Marker, 2), (Bytes{0x04, 0x00}));
    EXPECT_FALSE(f.link.DeviceOpen());

    // While the window is online its connection is used and stays.
    f.Connect();
    EXPECT_EQ(ReadAddress(f.link, "15227"), "Value: $0 $7D");
    EXPECT_TRUE(f.link.Online() && f.link.DeviceOpen());

    // A read that is not answered shows nothing.
    f.sim->InjectAt(f.sim->Exchanges() + 1, Fault::Drop);
    EXPECT_EQ(ReadAddress(f.link, "&H3B7B"), std::nullopt);
    EXPECT_TRUE(f.prompt.Unexpected().empty());
}

}  // namespace
}  // namespace vx42
