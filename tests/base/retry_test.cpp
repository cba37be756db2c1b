// A command tried again: how many tries, and the pauses between them.

#include "base/retry.h"

#include <gtest/gtest.h>

#include <string>

namespace vx42 {
namespace {

// Runs Retry over a command that succeeds on try `succeedOn` (0: never) and writes what
// happened: "t" for a try, "p" for a pause.
std::string Trace(int tries, int succeedOn, bool& result) {
    std::string trace;
    int count = 0;
    result = Retry(
        tries,
        [&] {
            trace += 't';
            return ++count == succeedOn;
        },
        [&] { trace += 'p'; });
    return trace;
}

TEST(Retry, StopsAtTheFirstSuccessAndPausesOnlyBetweenTries) {
    bool ok = false;
    EXPECT_EQ(Trace(5, 1, ok), "t");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Trace(5, 3, ok), "tptpt");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Trace(5, 5, ok), "tptptptpt");
    EXPECT_TRUE(ok);
}

TEST(Retry, GivesUpAfterTheLastTryWithoutAPause) {
    bool ok = true;
    EXPECT_EQ(Trace(5, 0, ok), "tptptptpt");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Trace(1, 0, ok), "t");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Trace(0, 1, ok), "");
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace vx42
