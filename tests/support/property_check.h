#pragma once
// Runs a RapidCheck property at the suite's own size (a fixed seed, `successes` cases of at
// most `size` steps) unless RC_PARAMS says otherwise (scripts/session-sequences.sh runs them at
// length, and a printed failure is replayed with RC_PARAMS="reproduce=...").

#include <rapidcheck.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace vx42::test {

// What RapidCheck prints for a failure (the shrunk sequence); empty when the property held.
template <typename Testable>
std::string CheckProperty(const std::string& name, Testable&& testable, int successes, int size) {
    rc::detail::TestMetadata metadata;
    metadata.id = name;
    metadata.description = name;
    const rc::detail::TestResult result = [&] {
        if (std::getenv("RC_PARAMS"))
            return rc::detail::checkTestable(std::forward<Testable>(testable), metadata);
        return rc::detail::checkTestable(
            std::forward<Testable>(testable), metadata,
            rc::detail::TestParams{.seed = 1, .maxSuccess = successes, .maxSize = size});
    }();
    if (result.template is<rc::detail::SuccessResult>()) return {};
    std::ostringstream out;
    rc::detail::printResultMessage(result, out);
    return out.str();
}

}  // namespace vx42::test
