// The module link's thread: operations run there one at a time in the order handed over,
// errors come back to the window's thread under the handing handler's names, and settling
// waits for the operations still under way.

#include "app/qt/link_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/error_log.h"
#include "base/scripted_prompt.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

// One application object for the whole program, as the window has.
QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "link_thread_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

bool OnWindowThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

class LinkThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        link.setErrorReport([this](const ErrorLocation& where, std::exception_ptr error) {
            std::string what;
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                what = e.what();
            }
            events.push_back(where.module + "." + where.object + "." + where.procedure + ": " +
                             what + (OnWindowThread() ? "" : " (off the window's thread)"));
        });
    }
    LinkThread link;
    std::vector<std::string> events;  // on the window's thread, in order
};

TEST_F(LinkThreadTest, OperationsRunOneAtATimeInTheOrderHandedOver) {
    std::vector<int> order;  // touched on the link's thread only
    std::thread::id ranOn;
    std::atomic<int> running{0}, overlapped{0};
    for (int k = 0; k < 50; ++k) {
        auto op = [&, k] {
            if (++running > 1) ++overlapped;
            order.push_back(k);
            ranOn = std::this_thread::get_id();
            --running;
        };
        if (k % 2)
            link.post(op);
        else
            link.call<int>([op] { return op(), 0; }, QCoreApplication::instance(),
                           [](int, bool) {});
    }
    std::vector<int> seen;
    link.call<std::vector<int>>([&] { return order; }, QCoreApplication::instance(),
                                [&](std::vector<int> got, bool failed) {
                                    EXPECT_FALSE(failed);
                                    EXPECT_TRUE(OnWindowThread());
                                    seen = std::move(got);
                                });
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 50; }, 5000));
    for (int k = 0; k < 50; ++k) EXPECT_EQ(seen[k], k);
    EXPECT_EQ(overlapped, 0);
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(events.empty());
}

// Outside any handler under the link's own names, inside one under the handler's, on the
// window's thread; the completion runs after the report, and the next operations still run.
TEST_F(LinkThreadTest, AFailedOperationIsReportedUnderTheHandlerThatHandedItOver) {
    bool after = false;
    link.post([] { throw std::runtime_error("bridge gone"); });
    link.post([&] { after = true; });
    link.call<int>([]() -> int { throw std::runtime_error("no reply"); },
                   QCoreApplication::instance(),
                   [this](int result, bool failed) {
                       EXPECT_EQ(result, 0);
                       events.push_back(failed ? "done failed" : "done");
                   });
    test::TempDir folder;
    ScriptedPrompt prompt;
    RunTrapped({"frmMain", "menuConnect", "Click"}, prompt, ErrorLog(folder.str()),
               [&] { link.post([] { throw std::runtime_error("unplugged"); }); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 4; }, 5000));
    EXPECT_TRUE(after);
    EXPECT_EQ(events, (std::vector<std::string>{"modLink.LinkThread.Run: bridge gone",
                                                "modLink.LinkThread.Run: no reply", "done failed",
                                                "frmMain.menuConnect.Click: unplugged"}));
    EXPECT_TRUE(prompt.Calls().empty());  // the handler itself ended well
}

TEST_F(LinkThreadTest, SettlingWaitsForTheOperationsUnderWayAndSaysWhenItGaveUp) {
    EXPECT_TRUE(link.settle(0));  // nothing under way
    QSignalSpy idle(&link, &LinkThread::idle);
    std::promise<void> gate;
    link.post([opened = gate.get_future().share()] { opened.wait(); });
    link.post([] {});
    EXPECT_EQ(link.pending(), 2);
    EXPECT_FALSE(link.settle(20));  // still held: gives up after its time-out
    EXPECT_EQ(idle.count(), 0);
    gate.set_value();
    EXPECT_TRUE(link.settle(5000));
    EXPECT_EQ(link.pending(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(idle.count(), 1);  // once, when the last operation ended
}

// The gate opens while the link is being ended, its first operation still held.
TEST_F(LinkThreadTest, OperationsHandedOverBeforeTheLinkEndsStillRun) {
    std::atomic<int> ran{0};
    std::promise<void> gate;
    std::thread opener;
    {
        LinkThread ending;
        ending.post([opened = gate.get_future().share()] { opened.wait(); });
        for (int k = 0; k < 5; ++k) ending.post([&] { ++ran; });
        opener = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            gate.set_value();
        });
    }
    opener.join();
    EXPECT_EQ(ran, 5);
}

}  // namespace
}  // namespace vx42
