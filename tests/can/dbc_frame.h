#pragma once
// A raw value put into a frame by a CAN database's own rules, for checking what a definition
// reads back: Intel bits from the start bit upwards; Motorola from the most significant bit
// at the start bit, downwards in a byte and on to bit 7 of the next byte.

#include <array>
#include <cstdint>

#include "can/dbc_file.h"

namespace vx42::test {

inline std::array<std::uint8_t, 8> PackDbcSignal(const DbcSignal& s, std::uint32_t raw) {
    std::array<std::uint8_t, 8> frame{};
    int pos = s.startBit;
    for (int i = 0; i < s.length; ++i) {
        const int valueBit = s.motorola ? s.length - 1 - i : i;
        if ((raw >> valueBit) & 1u) frame[pos / 8] |= static_cast<std::uint8_t>(1u << (pos % 8));
        pos = !s.motorola ? pos + 1 : (pos % 8 == 0 ? pos + 15 : pos - 1);
    }
    return frame;
}

}  // namespace vx42::test
