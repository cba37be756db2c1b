#pragma once
// Firmware upgrade files as the upgrade reads them, written for tests.

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace vx42::test {

// A firmware (.ROM) file of the records (address, data); returns its path.
inline std::string WriteFirmware(
    const std::string& path,
    const std::vector<std::pair<int, std::vector<std::uint8_t>>>& records) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(records.size())};
    auto putLong = [&out](std::int32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    out.insert(out.end(), 8, 0x20);
    putLong(records[0].first);
    putLong(records[0].first + 3);
    for (const auto& [address, data] : records) {
        out.push_back(1);
        putLong(static_cast<std::int32_t>(data.size()));
        putLong(address);
        out.insert(out.end(), data.begin(), data.end());
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return path;
}

}  // namespace vx42::test
