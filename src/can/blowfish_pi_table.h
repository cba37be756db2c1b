#pragma once
// The initial Blowfish P-array and S-box words (the hexadecimal digits of pi).

#include <array>
#include <cstdint>

namespace vx42 {

// P[0] = 0x243F6A88 ... P[17] = 0x8979FB1B.
extern const std::array<std::uint32_t, 18> kBlowfishPiP;
// The 1024 S-box words as one sequence: box 0 entries 0-255 first, then boxes 1, 2, 3.
extern const std::array<std::uint32_t, 1024> kBlowfishPiS;

}  // namespace vx42
