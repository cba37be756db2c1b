// "calibration build" input: JSON within its caps, then the fields; on a sample of the inputs,
// what it builds shows and builds again (the round trip of a whole calibration costs many
// readings, so on every input it would keep the fuzzer from reaching depth in the reader).

#include "files/calibration_json.h"
#include "files/json_input.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nlohmann::json document;
    try {
        document = ParseJsonText(fuzz::Text(data, size), "fuzz", limits::kCalibrationJson);
    } catch (const JsonInputError&) {
        return 0;
    }
    CalImage image;
    try {
        image = CalibrationFromJson(document);
    } catch (const std::invalid_argument&) {
        return 0;
    }
    if (!fuzz::InSample(fuzz::Bytes(data, size), 64)) return 0;
    // Texts are trimmed when shown and padded when built, so the first loop may change blanks
    // around a text; after it the loop holds still.
    const auto loop = [](const CalImage& in) {
        return CalibrationFromJson(ParseJsonText(
            CalibrationToJson(in).dump(2, ' ', false, nlohmann::json::error_handler_t::replace),
            "shown", limits::kCalibrationJson));
    };
    const CalImage once = loop(image);
    FUZZ_CHECK(fuzz::SameBytes(loop(once).bytes(), once.bytes()));
    return 0;
}
