// CAN databases: read within their caps, every signal converted, and what a definition
// states always lies inside an 8-byte frame.

#include "can/dbc_import.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DbcFile file;
    try {
        file = ReadDbc(fuzz::Text(data, size), "fuzz");
    } catch (const InputCapError&) {
        return 0;
    }
    FUZZ_CHECK(file.problems.size() <= file.problemCount);
    DbcImportList list(file);
    list.CheckAll();
    for (const auto& row : list.rows()) {
        if (!row.import.importable) {
            FUZZ_CHECK(!row.import.reason.empty());
            continue;
        }
        const CanMessage& d = row.import.definition;
        FUZZ_CHECK(d.BitLength >= 1 && d.BitLength <= 16 && d.DataLength <= 8);
        FUZZ_CHECK(d.StartBit < 8 && d.StartByte + d.EndianLength <= d.DataLength);
        FUZZ_CHECK(d.StartBit + d.BitLength <= 8 * d.EndianLength);
    }
    LibrarySet set;
    FUZZ_CHECK(AddToUserLibrary(set, list.Chosen()).size() ==
               static_cast<std::size_t>(list.CheckedCount()));
    return 0;
}
