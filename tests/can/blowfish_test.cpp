#include "can/blowfish.h"

#include <gtest/gtest.h>

#include "can/hex_text.h"
#include "can/library_files.h"
#include "files/file_io.h"
#include "support/files_bytes.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

std::vector<std::uint8_t> Hex(std::string_view text) {
    return ParseHexBytes(text).value();
}

std::uint32_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
           std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

// Eric Young's published ECB vectors: key, plaintext, ciphertext.
struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};
constexpr Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
};

// Encrypts a frame as it stands (no framing added), chaining like the library cipher.
void ChainEncrypt(std::vector<std::uint8_t>& frame) {
    clsBlowfish raw;
    raw.Key(LibraryKey);
    std::uint32_t cl = 0, cr = 0;
    for (std::size_t at = 0; at < frame.size(); at += 8) {
        std::uint32_t l = Word(frame, at) ^ cl, r = Word(frame, at + 4) ^ cr;
        raw.EncryptBlock(l, r);
        for (std::size_t i = 0; i < 4; ++i) {
            frame[at + i] = static_cast<std::uint8_t>(l >> (24 - 8 * i));
            frame[at + 4 + i] = static_cast<std::uint8_t>(r >> (24 - 8 * i));
        }
        cl = l;
        cr = r;
    }
}

// The standard arrangement is pinned by the published vectors below.
TEST(BlowfishTable, OursVariesTheBoxIndexFastest) {
    const auto box = [](int b, int i) {
        return clsBlowfish::InitialSBox(SBoxArrangement::Library, b, i);
    };
    EXPECT_EQ((std::vector{box(0, 0), box(1, 0), box(0, 64), box(3, 255)}),
              (std::vector{0xD1310BA6u, 0x98DFB5ACu, 0x4B7A70E9u, 0x3AC372E6u}));
}

TEST(BlowfishBlock, MatchesThePublishedVectorsInTheStandardArrangement) {
    for (const auto& v : kVectors) {
        SCOPED_TRACE(v.key);
        clsBlowfish cipher(SBoxArrangement::Standard);
        cipher.KeyBytes(Hex(v.key));
        const auto plain = Hex(v.plain), expected = Hex(v.cipher);
        std::uint32_t l = Word(plain, 0), r = Word(plain, 4);
        cipher.EncryptBlock(l, r);
        EXPECT_EQ(std::tuple(l, r), std::tuple(Word(expected, 0), Word(expected, 4)));
        cipher.DecryptBlock(l, r);
        EXPECT_EQ(std::tuple(l, r), std::tuple(Word(plain, 0), Word(plain, 4)));
    }
}

TEST(BlowfishKey, CyclesTheKeyBytesAndKeepsTheKeyInForce) {
    // 4 and 8 divide the 72 key bytes used, so a repeated key gives the same tables.
    clsBlowfish a, b;
    a.Key("ABCD");
    b.Key("ABCDABCD");
    std::uint32_t al = 1, ar = 2, bl = 1, br = 2;
    a.EncryptBlock(al, ar);
    b.EncryptBlock(bl, br);
    EXPECT_EQ(std::tuple(al, ar), std::tuple(bl, br));

    // An empty key keeps the one applied; applying the same key twice changes nothing; a
    // different key starts again from the initial tables.
    auto data = test::Counting(1, 30);
    a.EncryptByte(data, "");
    clsBlowfish c;
    c.Key("ABCD");
    c.Key("ABCD");
    EXPECT_TRUE(c.DecryptByte(data, ""));
    EXPECT_EQ(data, test::Counting(1, 30));
    clsBlowfish d;
    d.Key("other");
    d.Key("ABCD");
    a.EncryptByte(data);
    EXPECT_TRUE(d.DecryptByte(data));
    EXPECT_EQ(data, test::Counting(1, 30));
}

TEST(BlowfishFraming, SizesFollowTheFrame) {
    clsBlowfish cipher;
    for (auto [plain, framed] : {std::pair{0, 16}, {1, 16}, {4, 16}, {5, 24}, {12, 24}, {13, 32}}) {
        auto bytes = test::Counting(1, static_cast<std::size_t>(plain));
        cipher.EncryptByte(bytes, LibraryKey);
        EXPECT_EQ(bytes.size(), static_cast<std::size_t>(framed)) << plain;
        ASSERT_TRUE(cipher.DecryptByte(bytes, LibraryKey)) << plain;
        EXPECT_EQ(bytes, test::Counting(1, static_cast<std::size_t>(plain)));
    }
}

// Each encryption starts from a random block, which the chaining carries into every block
// after it; a byte changed in one block damages that block and the same byte of the next.
TEST(BlowfishFraming, EveryEncryptionDiffersAndAChangedByteDamagesItsBlockAndOneByteOfTheNext) {
    clsBlowfish cipher;
    const auto plain = test::Counting(1, 28);  // frame of 40 bytes: plaintext at 12..39
    auto first = plain, second = plain;
    cipher.EncryptByte(first, LibraryKey);
    cipher.EncryptByte(second, LibraryKey);
    ASSERT_EQ(first.size(), 40u);
    for (std::size_t block = 0; block < first.size(); block += 8)
        EXPECT_FALSE(
            std::equal(first.begin() + block, first.begin() + block + 8, second.begin() + block))
            << block;
    ASSERT_TRUE(cipher.DecryptByte(second, LibraryKey));
    EXPECT_EQ(second, plain);

    first[18] ^= 0x01;  // the third block
    ASSERT_TRUE(cipher.DecryptByte(first, LibraryKey));
    for (std::size_t i : {0, 1, 2, 3, 20, 21, 22, 23, 24, 25, 26, 27})
        EXPECT_EQ(first[i], plain[i]) << i;
    EXPECT_FALSE(std::equal(first.begin() + 4, first.begin() + 12, plain.begin() + 4));
    int changed = 0;
    for (std::size_t i = 12; i < 20; ++i) changed += first[i] != plain[i];
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(first[14], plain[14] ^ 0x01);
}

TEST(BlowfishFraming, BadLengthsAndDescriptorsFailCleanly) {
    clsBlowfish cipher;
    for (std::size_t n : {0u, 7u, 8u, 12u, 15u, 17u, 23u}) {
        auto bytes = test::Counting(1, n);
        EXPECT_FALSE(cipher.DecryptByte(bytes, LibraryKey)) << n;
        EXPECT_EQ(cipher.LastError(), kBadCipherLength);
        EXPECT_EQ(bytes, test::Counting(1, n)) << "left unchanged";
    }
    // A descriptor too large, too small, or beyond any length: re-encrypt a frame whose
    // descriptor was altered, chaining by hand so only the descriptor differs.
    for (std::uint32_t descriptor : {25u, 3u, 0xFFFFFFF0u, 0x80000000u}) {
        std::vector<std::uint8_t> frame(32, 0);
        for (int i = 0; i < 4; ++i) frame[8 + i] = static_cast<std::uint8_t>(descriptor >> (8 * i));
        ChainEncrypt(frame);
        EXPECT_FALSE(cipher.DecryptByte(frame, LibraryKey)) << descriptor;
        EXPECT_EQ(cipher.LastError(), kBadSizeDescriptor);
        EXPECT_EQ(frame.size(), 32u) << "the whole decrypted frame stays";
        EXPECT_EQ(frame[8], static_cast<std::uint8_t>(descriptor));
    }
    // The wrong key almost surely gives a bad descriptor.
    auto bytes = test::Counting(1, 100);
    cipher.EncryptByte(bytes, LibraryKey);
    clsBlowfish other;
    EXPECT_FALSE(other.DecryptByte(bytes, "another key"));
}

TEST(BlowfishStrings, HexAndCharacterFormsRoundTrip) {
    clsBlowfish cipher;
    const std::string hex = cipher.EncryptString("abc", LibraryKey, true);
    EXPECT_EQ(std::tuple(hex.size(), hex.find_first_not_of("0123456789ABCDEF")),
              std::tuple(32u, std::string::npos));
    EXPECT_EQ(cipher.DecryptString(hex, LibraryKey, true), "abc");

    const std::string text = "Öl °C 5 N·m";
    const std::string chars = cipher.EncryptString(text, LibraryKey, false);
    EXPECT_EQ(cipher.DecryptString(chars, LibraryKey, false), text);

    EXPECT_EQ(cipher.DecryptString(hex.substr(1), LibraryKey, true), "");
    EXPECT_FALSE(cipher.LastError().empty());
    EXPECT_EQ(cipher.DecryptString("Z" + hex.substr(1), LibraryKey, true), "");
}

TEST(BlowfishFiles, RoundTripAndFailures) {
    test::TempDir dir;
    clsBlowfish cipher;
    const auto plain = test::Counting(1, 300);
    const std::string path = dir.file("x.DVM");
    ASSERT_TRUE(cipher.EncryptFile(plain, path, LibraryKey));
    EXPECT_EQ(ReadWholeFile(path, 1000).size(), 312u);

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(cipher.DecryptFile(path, bytes, LibraryKey));
    EXPECT_EQ(bytes, plain);

    std::vector<std::uint8_t> untouched = {1, 2, 3};
    EXPECT_FALSE(cipher.DecryptFile(dir.file("missing.DVM"), untouched, LibraryKey));
    EXPECT_EQ(untouched, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(cipher.DecryptFile(path, untouched, LibraryKey, 100)) << "over the bound";
    EXPECT_EQ(untouched, (std::vector<std::uint8_t>{1, 2, 3}));

    EXPECT_FALSE(cipher.EncryptFile(plain, dir.file("no/such/folder/x.DVM"), LibraryKey));
}

}  // namespace
}  // namespace vx42
