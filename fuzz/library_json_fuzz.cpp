// "library build" input: JSON within its caps, then the messages; what it accepts prints and
// builds again to the same bytes.

#include "can/library_files.h"
#include "can/library_json.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CanLibrary library;
    try {
        library = LibraryFromJsonText(std::string(fuzz::Text(data, size)), "fuzz");
    } catch (const LibraryJsonError&) {
        return 0;
    }
    const std::string shown = LibraryToJsonText(library);
    FUZZ_CHECK(shown == LibraryToJson(library).dump(2, ' ', false,
                                                    nlohmann::json::error_handler_t::replace) +
                            "\n");
    const CanLibrary again = LibraryFromJsonText(shown, "shown");
    FUZZ_CHECK(WriteLibraryBytes(again) == WriteLibraryBytes(library));
    FUZZ_CHECK(LibraryToJsonText(again) == shown);
    return 0;
}
