// CAN message definitions, the libraries that group them, and the list the tool keeps.
#include "can/can_message.h"

#include "calibration/text_codec.h"
#include "can/hex_text.h"

namespace vx42 {

const std::array<std::string_view, 15> kCanUnits = {
    "None", "%",     "RPM",    "°C",  "°F",    "MPH", "KPH", "kPa",
    "PSI",  "g/sec", "lbs/hr", "N·m", "ft·lb", "l",   "gal",
};

std::string FixedText(std::string_view text, std::size_t width) {
    return FromWin1252(ToFixedField(text, width));
}

CanLibrary NewLibrary(std::string_view name) {
    CanLibrary library;
    library.Name = FixedText(name, canwidth::LibraryName);
    library.Version = "C002";
    return library;
}

namespace {
bool FindLibrary(const LibrarySet& set, std::string_view name, int& index) {
    for (std::size_t i = 0; i < set.MessageLibraries.size(); ++i) {
        if (Trimmed(set.MessageLibraries[i].Name) == name) {
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}
}  // namespace

bool FindUserDefinedLibrary(LibrarySet& set) {
    return FindLibrary(set, kUserDefinedName, set.UserDefinedIndex);
}

bool FindUndefinedLibrary(LibrarySet& set) {
    return FindLibrary(set, kUndefinedIndexName, set.UndefinedIndex);
}

bool DeleteUserDefinedMessage(LibrarySet& set, int i) {
    if (!FindUserDefinedLibrary(set)) return false;
    auto& messages = set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)].Messages;
    if (i < 0 || i >= static_cast<int>(messages.size())) return false;
    messages.erase(messages.begin() + i);
    messages.shrink_to_fit();
    return true;
}

std::string CanIdHex(std::int32_t canId) {
    return Hex32(static_cast<std::uint32_t>(canId));
}

std::string CanIdToModule(std::string_view idHex) {
    if (idHex.size() <= 4) {
        // Standard: the identifier in bits 31..21. The register text is the three digits of
        // twice the identifier followed by zeros; an identifier too wide for 11 bits simply
        // gives more digits, cut to eight.
        const auto id = idHex.empty() ? std::optional<std::uint32_t>(0) : ParseHex32(idHex);
        if (!id) return {};
        std::string digits = Hex32(*id * 2);
        if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
        digits.resize(8, '0');
        return digits;
    }
    if (idHex.size() > 8) return {};
    const auto id = ParseHex32(idHex);
    if (!id) return {};
    const std::uint32_t v = *id;
    const std::uint32_t r0 = (v >> 21) & 0xFF;
    const std::uint32_t r1 = (((v >> 18) & 7) << 5) | 0x18 | ((v >> 15) & 7);
    const std::uint32_t r2 = (v >> 7) & 0xFF;
    const std::uint32_t r3 = (v & 0x7F) << 1;
    const std::uint32_t reg = (r0 << 24) | (r1 << 16) | (r2 << 8) | r3;
    std::string digits = Hex32(reg);
    digits.insert(0, 8 - digits.size(), '0');
    return digits;
}

std::string CanIdFromModule(std::string_view hex8) {
    const auto reg = ParseHex32(hex8);
    if (!reg) return {};
    const std::uint32_t v = *reg;
    if ((v & 0x1FFFFF) == 0) return Hex32(v >> 21);
    const std::uint32_t r0 = v >> 24, r1 = (v >> 16) & 0xFF, r2 = (v >> 8) & 0xFF, r3 = v & 0xFF;
    const std::uint32_t id =
        (r0 << 21) | (((r1 >> 5) & 7) << 18) | ((r1 & 7) << 15) | (r2 << 7) | (r3 >> 1);
    return Hex32(id);
}

std::uint32_t ClearRtrBits(std::uint32_t reg) {
    return reg & 0x7FEFFFFFu;
}

}  // namespace vx42
