// The module link's thread: operations run there one at a time in the order handed over,
// errors come back to the window's thread under the handing handler's names, and settling
// waits for the operations still under way.

#include "app/qt/link_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <condition_variable>
#include <mutex>
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

// A gate an operation waits at until the test opens it.
class Gate {
  public:
    void Wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

struct Report {
    std::string where;
    std::string what;
    bool onWindowThread = false;
};

class LinkThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        link.setErrorReport([this](const ErrorLocation& where, std::exception_ptr error) {
            Report r{where.module + "." + where.object + "." + where.procedure, "",
                     QThread::currentThread() == QCoreApplication::instance()->thread()};
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                r.what = e.what();
            }
            reports.push_back(r);
            events.push_back("report");
        });
    }
    LinkThread link;
    std::vector<Report> reports;
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
            link.call<int>(
                [op] {
                    op();
                    return 0;
                },
                QCoreApplication::instance(), [](int, bool) {});
    }
    std::vector<int> seen;
    bool done = false;
    link.call<std::vector<int>>([&] { return order; }, QCoreApplication::instance(),
                                [&](std::vector<int> got, bool failed) {
                                    EXPECT_FALSE(failed);
                                    EXPECT_EQ(QThread::currentThread(),
                                              QCoreApplication::instance()->thread());
                                    seen = std::move(got);
                                    done = true;
                                });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    std::vector<int> expected(50);
    for (int k = 0; k < 50; ++k) expected[k] = k;
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(overlapped, 0);
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(reports.empty());
}

TEST_F(LinkThreadTest, AFailedOperationIsReportedOnTheWindowThreadAndTheNextOnesStillRun) {
    bool after = false;
    link.post([] { throw std::runtime_error("bridge gone"); });
    link.post([&] { after = true; });
    link.call<int>([]() -> int { throw std::runtime_error("no reply"); },
                   QCoreApplication::instance(),
                   [this](int result, bool failed) {
                       EXPECT_TRUE(failed);
                       EXPECT_EQ(result, 0);
                       events.push_back(failed ? "done failed" : "done");
                   });
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 3; }, 5000));
    EXPECT_TRUE(after);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].what, "bridge gone");
    EXPECT_EQ(reports[1].what, "no reply");
    EXPECT_TRUE(reports[0].onWindowThread && reports[1].onWindowThread);
    // Outside any handler the link's own names; the completion runs after the report.
    EXPECT_EQ(reports[0].where, "modLink.LinkThread.Run");
    EXPECT_EQ(events, (std::vector<std::string>{"report", "report", "done failed"}));
}

TEST_F(LinkThreadTest, ErrorsAreReportedUnderTheHandlerThatHandedTheOperationOver) {
    test::TempDir folder;
    ScriptedPrompt prompt;
    const ErrorLog log(folder.str());
    RunTrapped({"frmMain", "menuConnect", "Click"}, prompt, log,
               [&] { link.post([] { throw std::runtime_error("unplugged"); }); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.empty(); }, 5000));
    EXPECT_EQ(reports[0].where, "frmMain.menuConnect.Click");
    EXPECT_TRUE(prompt.Calls().empty());  // the handler itself ended well
}

TEST_F(LinkThreadTest, SettlingWaitsForTheOperationsUnderWayAndSaysWhenItGaveUp) {
    EXPECT_TRUE(link.settle(0));  // nothing under way
    QSignalSpy idle(&link, &LinkThread::idle);
    Gate gate;
    link.post([&] { gate.Wait(); });
    link.post([] {});
    EXPECT_EQ(link.pending(), 2);
    EXPECT_FALSE(link.settle(20));  // still held: gives up after its time-out
    EXPECT_EQ(link.pending(), 2);
    EXPECT_EQ(idle.count(), 0);
    gate.Open();
    EXPECT_TRUE(link.settle(5000));
    EXPECT_EQ(link.pending(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(idle.count(), 1);  // once, when the last operation ended
}

TEST_F(LinkThreadTest, OperationsHandedOverBeforeTheLinkEndsStillRun) {
    std::atomic<int> ran{0};
    Gate gate;
    std::thread opener;
    {
        LinkThread ending;
        ending.post([&] { gate.Wait(); });
        for (int k = 0; k < 5; ++k) ending.post([&] { ++ran; });
        // The gate opens while the link is being ended, its first operation still held.
        opener = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            gate.Open();
        });
    }
    opener.join();
    EXPECT_EQ(ran, 5);
}

}  // namespace
}  // namespace vx42
