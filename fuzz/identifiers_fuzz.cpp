// Identifiers and hexadecimal texts as typed: pieces of the input separated by NUL bytes.

#include "can/can_message.h"
#include "can/hex_text.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const std::string_view text : fuzz::Pieces(fuzz::Text(data, size))) {
        if (const auto value = ParseHex32(text)) {
            FUZZ_CHECK(ParseHex32(Hex32(*value)) == value);
            FUZZ_CHECK(CanIdHex(static_cast<std::int32_t>(*value)) == Hex32(*value));
        }
        if (const auto bytes = ParseHexBytes(text)) FUZZ_CHECK(bytes->size() * 2 == text.size());
        const std::string reg = CanIdToModule(text);
        if (!reg.empty()) {
            FUZZ_CHECK(reg.size() == 8 && ParseHex32(reg));
            FUZZ_CHECK(!CanIdFromModule(reg).empty());
        }
        const std::string id = CanIdFromModule(text);
        if (!id.empty()) FUZZ_CHECK(ParseHex32(id));
    }
    return 0;
}
