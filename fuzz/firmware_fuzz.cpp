// Firmware files (.ROM, .RM2).

#include "firmware/firmware_files.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FirmwareFile file;
    try {
        file = ParseFirmwareFile(fuzz::Bytes(data, size), "fuzz");
    } catch (const FirmwareFormatError&) {
        return 0;
    }
    FUZZ_CHECK(file.records.size() == file.recordCount);
    std::size_t total = 0;
    for (const auto& r : file.records) {
        FUZZ_CHECK(r.data.size() == static_cast<std::size_t>(r.length));
        FUZZ_CHECK(r.address >= 0 &&
                   r.address + static_cast<std::int64_t>(r.length) <= kLargestImage);
        total += r.data.size();
    }
    FUZZ_CHECK(total <= size);
    return 0;
}
