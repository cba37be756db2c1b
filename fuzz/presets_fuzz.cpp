// Gauge presets files: lines and blocks within their caps, the list, and applying and
// matching every preset.

#include "files/gauge_presets.h"
#include "files/input_limits.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<GaugePreset> presets;
    try {
        presets = ParseGaugePresets(
            SplitTextLines(fuzz::Bytes(data, size), limits::kPresetsLines, "fuzz"), "fuzz");
    } catch (const InputCapError&) {
        return 0;
    }
    FUZZ_CHECK(presets.size() <= limits::kPresets);
    FUZZ_CHECK(FillPresetList(presets).size() == presets.size() + 1);
    SilentPrompt prompt;
    const CalImage image;
    for (int entry = 0; entry <= static_cast<int>(presets.size()); ++entry) {
        const auto steps = ApplyPreset(presets, entry, entry % 2 == 0, prompt);
        FUZZ_CHECK(entry == 0 || steps.empty() != presets[entry - 1].Usable());
    }
    for (int output = 0; output < kOutputs; ++output) {
        const int chosen = SelectMatchingPreset(presets, image, output, {"0", 0, 0, 0});
        FUZZ_CHECK(chosen >= 0 && chosen <= static_cast<int>(presets.size()));
    }
    return 0;
}
