// Turning a 128 KiB S-record source into a BLU image, and reading a 128 KiB firmware file.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "calibration/converters.h"
#include "firmware/firmware_files.h"

namespace {

constexpr int kImageBytes = 128 * 1024;
constexpr int kBytesPerLine = 32;

std::vector<std::string> SRecordSource() {
    std::vector<std::string> lines{"S00F000068656C6C6F202020202000003C"};
    for (int at = 0; at < kImageBytes; at += kBytesPerLine) {
        char head[16];
        std::snprintf(head, sizeof head, "S2%02X%06X", kBytesPerLine + 4, 0x000400 + at);
        std::string line = head;
        for (int j = 0; j < kBytesPerLine; ++j)
            line += vx42::ByteToHex(static_cast<std::uint8_t>(at + j));
        lines.push_back(line + "00");
    }
    return lines;
}

void BM_ParseSRecords128K(benchmark::State& state) {
    const auto source = SRecordSource();
    for (auto _ : state) {
        auto lines = source;
        std::vector<std::uint8_t> image;
        std::int64_t highest = 0;
        vx42::ParseSRecords(lines, image, highest);
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(state.iterations() * kImageBytes);
}
BENCHMARK(BM_ParseSRecords128K)->Unit(benchmark::kMillisecond);

void BM_ParseFirmwareFile128K(benchmark::State& state) {
    std::vector<std::uint8_t> bytes(17, 0);
    bytes[0] = 64;  // 64 records of 2 KiB
    for (int r = 0; r < 64; ++r) {
        bytes.push_back(1);
        const auto length = vx42::LongToBytes(2048);
        const auto address = vx42::LongToBytes(0x8000 + 2048 * r);
        bytes.insert(bytes.end(), length.begin(), length.end());
        bytes.insert(bytes.end(), address.begin(), address.end());
        bytes.insert(bytes.end(), 2048, static_cast<std::uint8_t>(r));
    }
    for (auto _ : state) {
        auto file = vx42::ParseFirmwareFile(bytes, "bench.ROM");
        benchmark::DoNotOptimize(file.records.data());
    }
    state.SetBytesProcessed(state.iterations() * kImageBytes);
}
BENCHMARK(BM_ParseFirmwareFile128K)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
