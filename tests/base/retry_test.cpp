// A command tried again: how many tries, and the pauses between them.

#include "base/retry.h"

#include <gtest/gtest.h>

#include <string>

namespace vx42 {
namespace {

TEST(Retry, StopsAtTheFirstSuccessPausesOnlyBetweenTriesAndGivesUpAfterTheLast) {
    // Tries, the try that succeeds (0 for none), the trace ("t" a try, "p" a pause), the result.
    const std::tuple<int, int, const char*, bool> cases[] = {
        {5, 1, "t", true},          {5, 3, "tptpt", true}, {5, 5, "tptptptpt", true},
        {5, 0, "tptptptpt", false}, {1, 0, "t", false},    {0, 1, "", false},
    };
    for (const auto& [tries, succeedOn, expected, success] : cases) {
        std::string trace;
        int count = 0;
        const bool result = Retry(
            tries,
            [&] {
                trace += 't';
                return ++count == succeedOn;
            },
            [&] { trace += 'p'; });
        EXPECT_EQ(std::tuple(trace, result), std::tuple(expected, success))
            << tries << " tries, success on " << succeedOn;
    }
}

}  // namespace
}  // namespace vx42
