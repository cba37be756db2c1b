// S-record sources: lines within their cap, the image span and the image.

#include "files/gauge_presets.h"
#include "files/input_limits.h"
#include "firmware/firmware_files.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    try {
        lines = SplitTextLines(fuzz::Bytes(data, size), limits::kSRecordLines, "fuzz");
    } catch (const InputCapError&) {
        return 0;
    }
    std::int64_t last = -1;
    try {
        last = SRecordImageLast(lines);
    } catch (const FirmwareFormatError&) {
        return 0;
    }
    FUZZ_CHECK(last >= 0 && last < kLargestImage);
    std::vector<std::uint8_t> image{1, 2, 3};
    std::int64_t highest = -2;
    try {
        ParseSRecords(lines, image, highest);
    } catch (const FirmwareFormatError&) {
        // Nothing half done: the image and its highest index stay as they were.
        FUZZ_CHECK(highest == -2 && image.size() == 3);
        return 0;
    }
    FUZZ_CHECK(highest == last && image.size() == static_cast<std::size_t>(last) + 1);
    return 0;
}
