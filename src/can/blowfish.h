#pragma once
// The cipher of the message library files: Blowfish in cipher-block chaining from a zero
// chain value, with its own framing (a random first block, a size descriptor and zero fill)
// and its own arrangement of the initial S-box words.
//
// Framed ciphertext of L plaintext bytes, before encryption:
//   0..3   random 32-bit value, least significant byte first
//   4..7   second random value
//   8..11  L, least significant byte first (the size descriptor)
//   12..   the plaintext, then zero bytes up to T = the smallest multiple of 8 >= L + 12

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx42 {

// How the 1024 initial S-box words are laid into the four boxes.
enum class SBoxArrangement {
    // Word k goes to S(k mod 4, k div 4): what every library file depends on.
    Library,
    // Word k goes to S(k div 256, k mod 256): stock Blowfish, for the published test vectors.
    Standard,
};

// The failure text of a decryption whose size descriptor does not fit the data.
inline constexpr const char* kBadSizeDescriptor =
    "Incorrect size descriptor in Blowfish decryption";
// The failure text of a decryption whose input cannot be a framed ciphertext.
inline constexpr const char* kBadCipherLength = "Incorrect data length in Blowfish decryption";

class clsBlowfish {
  public:
    explicit clsBlowfish(SBoxArrangement arrangement = SBoxArrangement::Library);

    // The initial S-box word at (box, entry) under an arrangement.
    static std::uint32_t InitialSBox(SBoxArrangement arrangement, int box, int entry);

    // Applies the key schedule to the initial tables. Setting the key already applied does
    // nothing; an empty key text is never applied (operations taking a key keep the one in
    // force). Key text is Windows-1252, one byte per character (given here as UTF-8).
    void Key(std::string_view keyText);
    // The same with raw key bytes (for keys that are not text).
    void KeyBytes(std::span<const std::uint8_t> key);

    // One block, left and right words.
    void EncryptBlock(std::uint32_t& left, std::uint32_t& right) const;
    void DecryptBlock(std::uint32_t& left, std::uint32_t& right) const;

    // bytes becomes the framed ciphertext. An empty key keeps the key in force.
    void EncryptByte(std::vector<std::uint8_t>& bytes, std::string_view key = {});
    // bytes becomes the plaintext. On failure returns false and LastError() says why: a
    // length that is not a multiple of 8 or shorter than one frame leaves bytes unchanged;
    // a size descriptor out of range leaves bytes holding the whole decrypted frame.
    bool DecryptByte(std::vector<std::uint8_t>& bytes, std::string_view key = {});

    // The text's Windows-1252 bytes encrypted; returned as one character per byte, or as two
    // upper-case hexadecimal digits per byte.
    std::string EncryptString(std::string_view text, std::string_view key, bool outputInHex);
    // The reverse; an empty result with LastError() set when the text does not decrypt
    // (odd or non-hexadecimal digits included).
    std::string DecryptString(std::string_view text, std::string_view key, bool isTextInHex);

    // Encrypts a copy of bytes and writes it as the whole file (atomically). Returns false,
    // with LastError() set and no file written, when the file cannot be written.
    bool EncryptFile(std::span<const std::uint8_t> bytes, const std::string& path,
                     std::string_view key);
    // Reads the whole file (at most maxBytes) and decrypts it into bytes. Returns false when
    // the file does not exist or cannot be read (bytes unchanged) or does not decrypt.
    bool DecryptFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                     std::string_view key, std::uintmax_t maxBytes = kMaxFileBytes);

    const std::string& LastError() const { return lastError_; }

    static constexpr std::uintmax_t kMaxFileBytes = 64u * 1024 * 1024;

  private:
    void ResetTables();
    std::uint32_t F(std::uint32_t x) const;

    SBoxArrangement arrangement_;
    std::array<std::uint32_t, 18> p_{};
    std::array<std::array<std::uint32_t, 256>, 4> s_{};
    std::vector<std::uint8_t> keyApplied_;
    std::string lastError_;
};

}  // namespace vx42
