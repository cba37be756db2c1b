// Moving the calibration: retrieve, whole write, single changes.

#include <gtest/gtest.h>

#include <random>

#include "device/progress_throttle.h"
#include "link_fixture.h"
#include "support/files_bytes.h"

namespace vx42 {
namespace {

using test::Step;

Bytes Random(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

using test::ImageOf;

TEST(Transfer, ThrottledProgressPassesTheFirstTheFullAndOnePerIntervalAndFlushesTheLast) {
    using namespace std::chrono_literals;
    ProgressThrottle::Clock::time_point now{};
    std::vector<Step> passed;
    ProgressThrottle throttle(test::Recorder(passed), 33ms, [&] { return now; });
    // (time in ms, done); total 100.
    for (const auto& [at, done] : std::vector<std::pair<int, int>>{
             {0, 0}, {10, 16}, {20, 32}, {33, 48}, {40, 64}, {50, 80}}) {
        now = ProgressThrottle::Clock::time_point{} + std::chrono::milliseconds(at);
        throttle.Report(done, 100, std::to_string(done));
    }
    const auto shown = [&passed] {
        std::vector<int> done;
        for (const auto& s : passed) done.push_back(s.done);
        return done;
    };
    EXPECT_EQ(shown(), (std::vector<int>{0, 48}));
    throttle.Flush();  // the newest held back, once
    throttle.Flush();
    throttle.Report(100, 100, "all");  // a full bar passes at once
    EXPECT_EQ(shown(), (std::vector<int>{0, 48, 80, 100}));
    EXPECT_EQ(passed[2].text, "80");

    // Around a transfer the report held back at its end is passed on when it returns.
    passed.clear();
    EXPECT_EQ(WithThrottledProgress(test::Recorder(passed),
                                    [](const Progress& p) {
                                        p(0, 9, "first");
                                        p(5, 9, "last");
                                        return 7;
                                    }),
              7);
    EXPECT_EQ(shown(), (std::vector<int>{0, 5}));
}

TEST(Transfer, CopyBlockToImageStopsOnAShortBlock) {
    CalImage image;
    std::vector<Step> steps;
    EXPECT_FALSE(CopyBlockToImage(Bytes(15, 1), 0, image, test::Recorder(steps)));
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(image, CalImage{});
}

TEST(Transfer, RetrieveReadsEveryBlockAndRecordsTheModule) {
    LinkFixture f;
    f.Connect();
    const Bytes cal = Random(kCalImageSize, 1);
    f.module().Write(kCalBaseAddress, cal);
    CalImage image;
    std::vector<Step> steps;
    ASSERT_TRUE(f.link.RetrieveCalibration(image, test::Recorder(steps)));
    EXPECT_EQ(image, ImageOf(cal));
    EXPECT_EQ(f.sim->Exchanges(), 1 + 171);
    EXPECT_EQ(f.Requests().back(), (Bytes{'Q', 0x0E, 0xA0, 0xAE}));
    ASSERT_EQ(steps.size(), 172u);
    EXPECT_EQ(steps[0].text, " Bytes of 2,727 Bytes copied.");  // the first count is empty
    EXPECT_EQ(steps[1].text, "16 Bytes of 2,727 Bytes copied.");
    EXPECT_EQ(steps[170].done, 2720);
    EXPECT_EQ(steps.back().done, 2725);
    EXPECT_EQ(steps.back().text, "2,727 Bytes of 2,727 Bytes copied.");
    EXPECT_TRUE(f.prompt.Calls().empty());
}

TEST(Transfer, FailedRetrieveLeavesTheImageAlone) {
    LinkFixture f;
    f.Connect();
    f.module().Write(kCalBaseAddress, Random(kCalImageSize, 2));
    const CalImage before = ImageOf(Random(kCalImageSize, 3));
    CalImage image = before;
    // Block 100 fails all five attempts.
    const int first = f.sim->Exchanges() + 101;
    for (int i = 0; i < 5; ++i) f.sim->InjectAt(first + i, Fault::CorruptChecksum);
    f.prompt.ExpectMessage("Error Retrieving Calibration");
    EXPECT_FALSE(f.link.RetrieveCalibration(image, {}));
    EXPECT_EQ(image, before);
    EXPECT_TRUE(f.prompt.Unexpected().empty());
    EXPECT_EQ(f.prompt.Calls().at(0).icon, Icon::None);

    // Retries within the attempts are invisible.
    for (int i = 0; i < 4; ++i) f.sim->InjectAt(f.sim->Exchanges() + 1 + i, Fault::Drop);
    EXPECT_TRUE(f.link.RetrieveCalibration(image, {}));
    EXPECT_EQ(image, ImageOf(f.module().Read(kCalBaseAddress, kCalImageSize)));
}

TEST(Transfer, WholeWriteBracketsTheImageAndPadsWithFF) {
    LinkFixture f;
    f.Connect();
    const CalImage image = ImageOf(Random(kCalImageSize, 4));
    std::vector<Step> steps;
    ASSERT_TRUE(f.link.WriteWholeCalibration(image, test::Recorder(steps)));
    EXPECT_EQ(ImageOf(f.module().Read(kCalBaseAddress, kCalImageSize)), image);
    EXPECT_EQ(f.module().Read(kCalBaseAddress + kCalImageSize, 9), Bytes(9, 0xFF));

    const auto sent = f.Requests();
    ASSERT_EQ(sent.size(), 1u + 171 + 1 + 1 + 1 + 1);
    EXPECT_EQ(sent.front(), (Bytes{'X', 0x39, 0x00, 0xFF, 0x38}));
    const Bytes& last = sent[171];
    EXPECT_EQ(last[1], 0x0E);
    EXPECT_EQ(last[2], 0xA0);
    EXPECT_EQ(Bytes(last.begin() + 10, last.begin() + 19), Bytes(9, 0xFF));
    EXPECT_EQ(sent[172], (Bytes{'X', 0x39, 0x00, 0x00, 0x39}));
    EXPECT_EQ(sent[173], (Bytes{'X', 0x39, 0x01, 0xFF, 0x39}));
    EXPECT_EQ(sent[174], (Bytes{'W', 0x13, 0x07, 2, 1, 0x1D}));  // firmware 2.1
    EXPECT_EQ(sent[175], (Bytes{'W', 0x38, 0xF4, 0xCB, 0xE0, 0xD7}));
    EXPECT_FALSE(f.module().Frozen());

    ASSERT_EQ(steps.size(), 171u);
    EXPECT_EQ(steps[0].text, " Bytes of 2,727 Bytes copied.");
    EXPECT_EQ(steps[169].done, 2704);
    EXPECT_EQ(steps[170].done, 2725);  // 2720 + 16 passes the bar's maximum
    EXPECT_EQ(steps[170].text, "2,727 Bytes of 2,727 Bytes copied.");
}

TEST(Transfer, WholeWriteFailuresStopWithTheirMessageAndTheTrailingStepsAreIgnored) {
    struct Case {
        int failingExchange;  // counted from the first request of the write
        int failures;
        std::string message;  // empty: the write still succeeds
    };
    // After the clear: 0x3901 (5 attempts), firmware version (5 attempts), marker (1 attempt).
    for (const Case& c :
         {Case{1, 5, "Error Writing Set Freeze for update command"},
          Case{50, 5, "Error Writing Calibration"},
          Case{173, 5, "Error Writing clear Freeze for update command"}, Case{174, 11, ""}}) {
        SCOPED_TRACE(c.message);
        LinkFixture f;
        f.Connect();
        const int base = f.sim->Exchanges();
        for (int i = 0; i < c.failures; ++i)
            f.sim->InjectAt(base + c.failingExchange + i, Fault::Drop);
        if (!c.message.empty()) f.prompt.ExpectMessage(c.message);
        EXPECT_EQ(f.link.WriteWholeCalibration(CalImage{}, {}), c.message.empty());
        EXPECT_TRUE(f.prompt.Unexpected().empty());
        EXPECT_EQ(f.prompt.Calls().size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) {
            EXPECT_EQ(f.prompt.Calls().at(0).text, c.message);
        }
        EXPECT_EQ(f.sim->Exchanges(), base + c.failingExchange + c.failures - 1);  // nothing after
    }
}

TEST(Transfer, ChangeGoesThroughTheStagingAreaOfflineSendsNothingAndAFailedApplyIsSaid) {
    LinkFixture f;
    f.link.WriteCalibrationChange(0x0A10, Bytes{1});
    EXPECT_EQ(f.sim->DriverCalls(), 0);
    f.Connect();
    const Bytes value{0x12, 0x34, 0x56};
    f.link.WriteCalibrationChange(0x0A10, value);
    const auto sent = f.Requests();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0], (Bytes{'W', 0x3A, 0x01, 0x0A, 0x10, 0x3A + 0x01 + 0x0A + 0x10}));
    EXPECT_EQ(sent[1], (Bytes{'X', 0x3A, 0x03, 3, 0x3A + 0x03 + 3}));
    EXPECT_EQ(Bytes(sent[2].begin() + 3, sent[2].begin() + 19),
              (Bytes{0x12, 0x34, 0x56, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sent[3], (Bytes{'X', 0x3A, 0x00, 0x01, 0x3B}));
    EXPECT_EQ(f.module().Read(0x0A10, 4), (Bytes{0x12, 0x34, 0x56, 0xFF}));
    EXPECT_TRUE(f.prompt.Calls().empty());

    // An apply that fails every attempt is reported.
    const int base = f.sim->Exchanges();
    for (int i = 4; i <= 8; ++i) f.sim->InjectAt(base + i, Fault::CutShort);
    f.prompt.ExpectMessage("Error Writing Calibration Change");
    f.link.WriteCalibrationChange(0x0A10, Bytes{1, 2});
    EXPECT_TRUE(f.prompt.Unexpected().empty());
    EXPECT_EQ(f.prompt.Calls().at(0).icon, Icon::None);
    EXPECT_EQ(f.sim->Exchanges(), base + 8);
}

// A bridge that loses the requests for one module address on their way to the module.
class LossyBridge : public sim::SimBridge {
  public:
    LossyBridge(std::shared_ptr<sim::Simulator> s, Bytes lostPrefix)
        : SimBridge(std::move(s)), lost_(std::move(lostPrefix)) {}
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        if (bytes.size() >= lost_.size() && std::equal(lost_.begin(), lost_.end(), bytes.begin())) {
            written = static_cast<std::uint32_t>(bytes.size());
            return ft::Ok;
        }
        return SimBridge::Write(bytes, written);
    }

  private:
    Bytes lost_;
};

TEST(Transfer, ChangeIsNotAppliedWhenItsTargetWasNotStaged) {
    // The target of an earlier change is still staged; applying now would write the new bytes
    // there.
    LinkFixture f({}, [](auto s) {
        return std::make_unique<LossyBridge>(std::move(s), Bytes{'W', 0x3A, 0x01, 0x0B});
    });
    f.Connect();
    f.link.WriteCalibrationChange(0x0A10, Bytes{0x11});
    ASSERT_EQ(f.module().Read(0x0A10, 1), Bytes{0x11});

    f.prompt.ExpectMessage("Error Writing Calibration Change");
    f.link.WriteCalibrationChange(0x0B20, Bytes{0x22});
    EXPECT_TRUE(f.prompt.Unexpected().empty());
    EXPECT_EQ(f.module().Read(0x0A10, 1), Bytes{0x11});
    EXPECT_EQ(f.module().AppliedChanges(), 1);
}

}  // namespace
}  // namespace vx42
