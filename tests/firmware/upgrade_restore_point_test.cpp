#include "firmware/upgrade_restore_point.h"

#include <gtest/gtest.h>

#include "device/link_fixture.h"
#include "firmware/upgrade.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using test::LinkFixture;

UpgradeFile SmallFirmware() {
    UpgradeFile file;
    file.fileName = "app.ROM";
    file.extension = "ROM";
    file.firmware.recordCount = 1;
    file.firmware.records = {{1, 16, 0x8000, Bytes(16, 0x5A)}};
    return file;
}

int BootBlocksSent(const LinkFixture& f) {
    int n = 0;
    for (const auto& frame : f.sim->Log()) n += frame.request.size() == 24;
    return n;
}

TEST(UpgradeRestorePoint, TheCalibrationIsKeptBeforeAnythingIsSent) {
    LinkFixture f;
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 3);
    f.module().Write(kCalBaseAddress, image.bytes());
    test::TempDir dir;
    RestorePoints store(dir.str());
    f.Connect();
    const BeforeSending before = [&](ModuleLink& link) {
        return KeepRestorePointBeforeUpgrade(link, store, f.prompt, {});
    };
    EXPECT_EQ(StartUpgrade(f.link, true, SmallFirmware(), {}, {}, before),
              UpgradeOutcome::Complete);
    const auto m = store.Module(f.link.DeviceSerial());
    ASSERT_TRUE(m);
    ASSERT_EQ(m->entries.size(), 1u);
    EXPECT_EQ(m->entries[0].event, restore_event::BeforeUpgrade);
    EXPECT_EQ(store.Load(*m, m->entries[0]), image);
    EXPECT_TRUE(f.prompt.Unexpected().empty());
}

TEST(UpgradeRestorePoint, AFailedRetrieveAsksWhetherToUpgradeWithoutOne) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        LinkFixture f;
        test::TempDir dir;
        RestorePoints store(dir.str());
        f.Connect();
        // The first block is never answered.
        for (int k = 1; k <= 5; ++k) f.sim->InjectAt(f.sim->Exchanges() + k, sim::Fault::Drop);
        f.prompt.ExpectMessage("Error Retrieving Calibration");
        f.prompt.AnswerYesNo(answer);
        const BeforeSending before = [&](ModuleLink& link) {
            return KeepRestorePointBeforeUpgrade(link, store, f.prompt, {});
        };
        const auto outcome = StartUpgrade(f.link, true, SmallFirmware(), {}, {}, before);
        EXPECT_EQ(outcome,
                  answer == Answer::Yes ? UpgradeOutcome::Complete : UpgradeOutcome::Cancelled);
        EXPECT_EQ(BootBlocksSent(f), answer == Answer::Yes ? 1 : 0);
        EXPECT_TRUE(store.Modules().empty());
        EXPECT_FALSE(f.link.Online());
        EXPECT_TRUE(f.prompt.Unexpected().empty());
        ASSERT_EQ(f.prompt.Calls().size(), 2u);
        EXPECT_EQ(f.prompt.Calls()[1].text, kNoRestorePointQuestion);
    }
}

}  // namespace
}  // namespace vx42
