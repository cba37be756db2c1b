// Calibration files: the image read from any bytes, and on a sample of the inputs its JSON
// form there and back (that round trip costs a hundred readings, so on every input it would
// keep the fuzzer from reaching depth in the reader).

#include "files/calibration_file.h"
#include "files/calibration_json.h"
#include "files/json_input.h"
#include "fuzz_support.h"

using namespace vx42;

namespace {

// "calibration show" then "calibration build".
CalImage ShowThenBuild(const CalImage& image) {
    const std::string shown =
        CalibrationToJson(image).dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    try {
        return CalibrationFromJson(ParseJsonText(shown, "shown", limits::kCalibrationJson));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "what show printed does not build: %s\n", e.what());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CalibrationFileRead read = CalibrationFromFileBytes(fuzz::Bytes(data, size));
    FUZZ_CHECK(read.fileLength == size);
    if (!fuzz::InSample(fuzz::Bytes(data, size), 256)) return 0;
    const CalImage built = ShowThenBuild(read.image);
    FUZZ_CHECK(fuzz::SameBytes(ShowThenBuild(built).bytes(), built.bytes()));
    return 0;
}
