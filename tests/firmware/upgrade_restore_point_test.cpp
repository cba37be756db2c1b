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

// A connected module, a restore-point store, and an upgrade that keeps a point first.
struct Upgrading {
    Upgrading() { f.Connect(); }
    UpgradeOutcome Start() {
        return StartUpgrade(f.link, true, SmallFirmware(), {}, {}, [this](ModuleLink& link) {
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
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 3);
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
        EXPECT_EQ(BootBlocksSent(f), answer == Answer::Yes ? 1 : 0);
        EXPECT_TRUE(u.store.Modules().empty() && !f.link.Online());
        EXPECT_TRUE(f.prompt.Unexpected().empty());
        ASSERT_EQ(f.prompt.Calls().size(), 2u);
        EXPECT_EQ(std::tuple(f.prompt.Calls()[1].text, f.prompt.Calls()[1].defaultAnswer),
                  std::tuple(kNoRestorePointQuestion, Answer::No));
    }
}

}  // namespace
}  // namespace vx42
