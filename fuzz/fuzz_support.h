#pragma once
// What every harness shares: the input as text or bytes, and a check that stops the run on a
// broken property.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/silent_prompt.h"

// A property that must hold for every input; a failure aborts, so the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

namespace vx42::fuzz {

inline std::span<const std::uint8_t> Bytes(const std::uint8_t* data, std::size_t size) {
    return {data, size};
}

inline bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::ranges::equal(a, b);
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Whether an input belongs to the sample, one in `oneIn`, on which a harness also runs a check
// that costs far more than the reading it fuzzes (the JSON round trip of a whole calibration).
// Chosen by the input's bytes (FNV-1a), so a finding replays. The plain replay programs (no
// libFuzzer) check every input.
inline bool InSample(std::span<const std::uint8_t> bytes, std::uint32_t oneIn) {
#ifdef VX42_FUZZ_REPLAY
    (void)bytes;
    (void)oneIn;
    return true;
#else
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : bytes) hash = (hash ^ b) * 16777619u;
    return hash % oneIn == 0;
#endif
}

// The input cut at NUL bytes into pieces (the fields of harnesses that take several texts).
inline std::vector<std::string_view> Pieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t from = 0;
    for (;;) {
        const auto cut = text.find('\0', from);
        pieces.push_back(text.substr(from, cut == std::string_view::npos ? cut : cut - from));
        if (cut == std::string_view::npos) return pieces;
        from = cut + 1;
    }
}

}  // namespace vx42::fuzz
