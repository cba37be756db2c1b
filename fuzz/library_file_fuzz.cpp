// Library files as stored: the cipher's container, then the records.

#include "can/blowfish.h"
#include "can/library_files.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    clsBlowfish cipher;
    if (!cipher.DecryptByte(bytes, LibraryKey)) {
        FUZZ_CHECK(!cipher.LastError().empty());
        return 0;
    }
    CanLibrary library;
    library.Name = "Fuzz";
    ReadLibraryBytes(bytes, library);
    // What decrypts, encrypted again, decrypts to the same bytes.
    std::vector<std::uint8_t> sealed = bytes;
    cipher.EncryptByte(sealed, LibraryKey);
    FUZZ_CHECK(cipher.DecryptByte(sealed, LibraryKey));
    FUZZ_CHECK(sealed == bytes);
    return 0;
}
