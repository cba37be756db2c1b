// The cipher of the message library files.
#include "can/blowfish.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "calibration/converters.h"
#include "calibration/text_codec.h"
#include "can/blowfish_pi_table.h"
#include "can/hex_text.h"
#include "files/file_io.h"
#include "files/paths.h"

namespace vx42 {

namespace {

constexpr std::size_t kBlock = 8;
constexpr std::size_t kFrameHeader = 12;  // two random words and the size descriptor

std::uint32_t WordAt(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void PutWord(std::uint8_t* p, std::uint32_t w) {
    p[0] = static_cast<std::uint8_t>(w >> 24);
    p[1] = static_cast<std::uint8_t>(w >> 16);
    p[2] = static_cast<std::uint8_t>(w >> 8);
    p[3] = static_cast<std::uint8_t>(w);
}

void PutLittleEndian(std::uint8_t* p, std::uint32_t w) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(w >> (8 * i));
}

std::uint32_t LittleEndianAt(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

}  // namespace

clsBlowfish::clsBlowfish(SBoxArrangement arrangement) : arrangement_(arrangement) {
    ResetTables();
}

std::uint32_t clsBlowfish::InitialSBox(SBoxArrangement arrangement, int box, int entry) {
    const std::size_t k = arrangement == SBoxArrangement::Library
                              ? static_cast<std::size_t>(entry * 4 + box)
                              : static_cast<std::size_t>(box * 256 + entry);
    return kBlowfishPiS.at(k);
}

void clsBlowfish::ResetTables() {
    p_ = kBlowfishPiP;
    for (int box = 0; box < 4; ++box)
        for (int entry = 0; entry < 256; ++entry)
            s_[static_cast<std::size_t>(box)][static_cast<std::size_t>(entry)] =
                InitialSBox(arrangement_, box, entry);
}

std::uint32_t clsBlowfish::F(std::uint32_t x) const {
    return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

void clsBlowfish::EncryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left, r = right;
    for (int i = 0; i < 16; i += 2) {
        l ^= p_[static_cast<std::size_t>(i)];
        r ^= F(l);
        r ^= p_[static_cast<std::size_t>(i + 1)];
        l ^= F(r);
    }
    left = r ^ p_[17];
    right = l ^ p_[16];
}

void clsBlowfish::DecryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left, r = right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= p_[static_cast<std::size_t>(i)];
        r ^= F(l);
        r ^= p_[static_cast<std::size_t>(i - 1)];
        l ^= F(r);
    }
    left = r ^ p_[0];
    right = l ^ p_[1];
}

void clsBlowfish::Key(std::string_view keyText) {
    KeyBytes(ToWin1252(keyText));
}

void clsBlowfish::KeyBytes(std::span<const std::uint8_t> key) {
    if (key.empty()) return;
    if (std::equal(key.begin(), key.end(), keyApplied_.begin(), keyApplied_.end())) return;
    // A second, different key starts again from the initial tables.
    if (!keyApplied_.empty()) ResetTables();
    keyApplied_.assign(key.begin(), key.end());

    std::size_t at = 0;
    for (auto& sub : p_) {
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i) {
            word = (word << 8) | key[at];
            at = (at + 1) % key.size();
        }
        sub ^= word;
    }
    std::uint32_t l = 0, r = 0;
    for (std::size_t i = 0; i < p_.size(); i += 2) {
        EncryptBlock(l, r);
        p_[i] = l;
        p_[i + 1] = r;
    }
    for (auto& box : s_) {
        for (std::size_t i = 0; i < box.size(); i += 2) {
            EncryptBlock(l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void clsBlowfish::EncryptByte(std::vector<std::uint8_t>& bytes, std::string_view key) {
    Key(key);
    const std::size_t length = bytes.size();
    const std::size_t total = (length + kFrameHeader + kBlock - 1) / kBlock * kBlock;
    bytes.resize(total, 0);
    std::memmove(bytes.data() + kFrameHeader, bytes.data(), length);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(kFrameHeader + length), bytes.end(), 0);

    // The first block only has to differ between encryptions: a freshly seeded generator of
    // 31-bit values fills it.
    std::random_device seed;
    std::mt19937 engine(seed());
    std::uniform_int_distribution<std::uint32_t> random31(0, 2147483647u);
    PutLittleEndian(bytes.data(), random31(engine));
    PutLittleEndian(bytes.data() + 4, random31(engine));
    PutLittleEndian(bytes.data() + 8, static_cast<std::uint32_t>(length));

    std::uint32_t chainL = 0, chainR = 0;
    for (std::size_t at = 0; at < total; at += kBlock) {
        std::uint32_t l = WordAt(&bytes[at]) ^ chainL;
        std::uint32_t r = WordAt(&bytes[at + 4]) ^ chainR;
        EncryptBlock(l, r);
        PutWord(&bytes[at], l);
        PutWord(&bytes[at + 4], r);
        chainL = l;
        chainR = r;
    }
}

bool clsBlowfish::DecryptByte(std::vector<std::uint8_t>& bytes, std::string_view key) {
    Key(key);
    lastError_.clear();
    const std::size_t total = bytes.size();
    if (total % kBlock != 0 || total < 2 * kBlock) {
        lastError_ = kBadCipherLength;
        return false;
    }
    std::uint32_t chainL = 0, chainR = 0;
    for (std::size_t at = 0; at < total; at += kBlock) {
        const std::uint32_t keptL = WordAt(&bytes[at]);
        const std::uint32_t keptR = WordAt(&bytes[at + 4]);
        std::uint32_t l = keptL, r = keptR;
        DecryptBlock(l, r);
        PutWord(&bytes[at], l ^ chainL);
        PutWord(&bytes[at + 4], r ^ chainR);
        chainL = keptL;
        chainR = keptR;
    }
    // The fill after the data is 0 to 7 bytes, so the frame is 12 to 19 bytes longer.
    const std::uint32_t length = LittleEndianAt(&bytes[8]);
    if (length > total || total - length < kFrameHeader || total - length > kFrameHeader + 7) {
        lastError_ = kBadSizeDescriptor;
        return false;
    }
    std::memmove(bytes.data(), bytes.data() + kFrameHeader, length);
    bytes.resize(length);
    return true;
}

std::string clsBlowfish::EncryptString(std::string_view text, std::string_view key,
                                       bool outputInHex) {
    std::vector<std::uint8_t> bytes = ToWin1252(text);
    EncryptByte(bytes, key);
    return outputInHex ? BytesToHex(bytes) : FromWin1252(bytes);
}

std::string clsBlowfish::DecryptString(std::string_view text, std::string_view key,
                                       bool isTextInHex) {
    std::vector<std::uint8_t> bytes;
    if (isTextInHex) {
        auto parsed = ParseHexBytes(text);
        if (!parsed) {
            lastError_ = "Not hexadecimal text in Blowfish decryption";
            return {};
        }
        bytes = std::move(*parsed);
    } else {
        bytes = ToWin1252(text);
    }
    if (!DecryptByte(bytes, key)) return {};
    return FromWin1252(bytes);
}

bool clsBlowfish::EncryptFile(std::span<const std::uint8_t> bytes, const std::string& path,
                              std::string_view key) {
    std::vector<std::uint8_t> framed(bytes.begin(), bytes.end());
    EncryptByte(framed, key);
    try {
        WriteFileAtomic(path, framed);
    } catch (const FileError& e) {
        lastError_ = e.what();
        return false;
    }
    return true;
}

bool clsBlowfish::DecryptFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                              std::string_view key, std::uintmax_t maxBytes) {
    lastError_.clear();
    if (!FileExists(path)) {
        lastError_ = "File not found: \"" + path + "\"";
        return false;
    }
    std::vector<std::uint8_t> read;
    try {
        read = ReadWholeFile(path, maxBytes);
    } catch (const FileError& e) {
        lastError_ = e.what();
        return false;
    }
    bytes = std::move(read);
    return DecryptByte(bytes, key);
}

}  // namespace vx42
