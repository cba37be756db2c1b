// A command tried again: how many tries, and the pauses between them.

#include "base/retry.h"

#include <gtest/gtest.h>

#include <string>

namespace vx42 {
namespace {

struct Case {
    int tries;
    int succeedOn;      // the try that succeeds, 0 for none
    const char* trace;  // "t" a try, "p" a pause
    bool result;
};

TEST(Retry, StopsAtTheFirstSuccessPausesOnlyBetweenTriesAndGivesUpAfterTheLast) {
    const Case cases[] = {
        {5, 1, "t", true},          {5, 3, "tptpt", true}, {5, 5, "tptptptpt", true},
        {5, 0, "tptptptpt", false}, {1, 0, "t", false},    {0, 1, "", false},
    };
    for (const Case& c : cases) {
        std::string trace;
        int count = 0;
        const bool result = Retry(
            c.tries,
            [&] {
                trace += 't';
                return ++count == c.succeedOn;
            },
            [&] { trace += 'p'; });
        EXPECT_EQ(trace, c.trace) << c.tries << " tries, success on " << c.succeedOn;
        EXPECT_EQ(result, c.result) << c.tries << " tries, success on " << c.succeedOn;
    }
}

}  // namespace
}  // namespace vx42
