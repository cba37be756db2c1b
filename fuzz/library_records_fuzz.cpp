// Decrypted library bytes: the records reader, and the writer and JSON forms round the loop.

#include "can/library_files.h"
#include "can/library_json.h"
#include "files/input_limits.h"
#include "fuzz_support.h"

using namespace vx42;

namespace {

std::vector<std::uint8_t> ShowThenBuild(const CanLibrary& library) {
    try {
        return WriteLibraryBytes(LibraryFromJsonText(LibraryToJsonText(library), "shown"));
    } catch (const LibraryJsonError& e) {
        std::fprintf(stderr, "what show printed does not build: %s\n", e.what());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CanLibrary library;
    library.Name = "Fuzz";
    const LibraryReadResult result = ReadLibraryBytes(fuzz::Bytes(data, size), library);
    FUZZ_CHECK(result.loaded == static_cast<int>(library.Messages.size()));
    FUZZ_CHECK(result.loaded <= limits::kLibraryMessages);
    if (result.status == LibraryReadResult::Status::NotALibrary ||
        result.status == LibraryReadResult::Status::TooMany) {
        FUZZ_CHECK(library.Messages.empty());
        return 0;
    }
    // Written and read again, then written once more: the same bytes.
    const auto written = WriteLibraryBytes(library);
    CanLibrary again;
    FUZZ_CHECK(ReadLibraryBytes(written, again).status == LibraryReadResult::Status::Ok);
    FUZZ_CHECK(WriteLibraryBytes(again) == written);
    // Whatever "library show" prints, "library build" takes, and the loop then holds still.
    const auto built = ShowThenBuild(library);
    CanLibrary rebuilt;
    FUZZ_CHECK(ReadLibraryBytes(built, rebuilt).status == LibraryReadResult::Status::Ok);
    FUZZ_CHECK(ShowThenBuild(rebuilt) == built);
    return 0;
}
