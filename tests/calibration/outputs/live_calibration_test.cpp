#include "calibration/outputs/live_calibration.h"

#include "outputs_fixture.h"

namespace vx42 {
namespace {

class LiveCalibrationTest : public OutputFixture {
  protected:
    RecordingLiveLink link;
};

TEST_F(LiveCalibrationTest, RefusedOffline) {
    link.online = false;
    LiveCalibration live(link, LiveGauge::Duty);
    prompt.ExpectMessage(kLiveOfflineText);
    live.Toggle(2, prompt);
    EXPECT_FALSE(live.Running() || live.AdjustEnabled());
    EXPECT_EQ(live.Caption(), "Start Calibrate Gauge");
    EXPECT_TRUE(link.tries.empty() && link.settles == 0);
}

TEST_F(LiveCalibrationTest, GaugeOnOutputThreeDrivenAtFortyPercent) {
    image.StoreWord(CalAddresses().OutputCal[2].Period, 10000);
    const CalImage before = image;
    LiveCalibration live(link, LiveGauge::Duty);
    live.Toggle(2, prompt);
    EXPECT_TRUE(link.settles == 1 && live.AdjustEnabled());
    EXPECT_EQ(std::tuple(live.Caption(), live.ValueText()),
              std::tuple("Stop Calibrate Gauge", "0"));
    live.Enter(image, "40");
    EXPECT_EQ(link.written, (LiveWrites{{0x3901, 3}, {0x392F, 0x0F}, {0x3930, 0xA0}}));
    link.written.clear();

    live.Enter(image, "250");  // clamped to 100 %
    EXPECT_EQ(live.ValueText(), "100");
    live.Up(image);  // would pass 100: nothing sent
    EXPECT_EQ(live.Value(), 100);
    live.Down(image);
    EXPECT_EQ(link.written,
              (LiveWrites{{0x392F, 0x27}, {0x3930, 0x10}, {0x392F, 0x26}, {0x3930, 0xAC}}));
    link.written.clear();

    live.Toggle(2, prompt);
    EXPECT_EQ(link.written, (LiveWrites{{0x3901, 0}}));
    EXPECT_TRUE(live.Value() == 0 && !live.AdjustEnabled());
    live.Up(image);  // stopped: nothing sent
    EXPECT_EQ(link.written.size(), 1u);
    EXPECT_EQ(image, before);  // never touches the image
}

TEST_F(LiveCalibrationTest, SpeedoDrivenInTenthsOfHertz) {
    LiveCalibration live(link, LiveGauge::Frequency);
    live.Toggle(0, prompt);
    live.Down(image);  // would go below 0
    live.Enter(image, "100");
    EXPECT_EQ(link.written, (LiveWrites{{0x3901, 1}, {0x390D, 0x03}, {0x390E, 0xE8}}));
    live.Enter(image, "6553");
    live.Up(image);  // 6554 is above 6553.5
    EXPECT_EQ(live.Value(), 6553);
    live.Enter(image, "9999");
    EXPECT_EQ(live.ValueText(), "6553.5");
    EXPECT_EQ(link.written.back(), (std::pair{0x390E, 0xFF}));
}

TEST_F(LiveCalibrationTest, EachByteTriedFiveTimesThenGivenUp) {
    LiveCalibration live(link, LiveGauge::Duty);
    link.failuresLeft = 4;
    live.Toggle(1, prompt);
    EXPECT_EQ(std::tuple(link.tries.size(), link.pauses), std::tuple(5u, 4));
    EXPECT_EQ(link.written, (LiveWrites{{0x3901, 2}}));

    link.tries.clear();
    link.pauses = 0;
    link.failuresLeft = 5;
    live.Up(image);  // the high byte fails five times, the low byte goes on
    EXPECT_EQ(std::tuple(link.tries.size(), link.pauses, live.Value()), std::tuple(6u, 4, 1));
}

}  // namespace
}  // namespace vx42
