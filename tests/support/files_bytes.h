#pragma once
// Bytes for the file tests: counted patterns, patterned calibration images, and files written
// and read whole (paths in UTF-8).

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "base/system_text.h"
#include "calibration/cal_image.h"

namespace vx42::test {

using ByteList = std::vector<std::uint8_t>;

// n bytes from `first`, each `step` above the one before (modulo 256).
inline ByteList Counting(std::uint8_t first, std::size_t n, unsigned step = 7) {
    ByteList out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(first + step * i);
    return out;
}

// A calibration whose neighbouring bytes all differ: seed + 7 i.
inline CalImage PatternedImage(std::uint8_t seed) {
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(seed + i * 7);
    return image;
}

// A calibration whose bytes, from the first, are these.
inline CalImage ImageOf(std::span<const std::uint8_t> bytes) {
    CalImage image;
    image.CopyIntoImage(bytes, 0);
    return image;
}

inline void WriteBytes(const std::string& path, const ByteList& bytes) {
    std::ofstream(PathFromUtf8(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline ByteList FileBytes(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace vx42::test
