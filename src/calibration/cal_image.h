#pragma once
// The calibration image: the tool's byte-for-byte copy of the module's configuration
// block, and the address map that says where every setting lives in it.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "calibration/converters.h"

namespace vx42 {

constexpr int kCalBaseAddress = 0x400;  // module address of image index 0
constexpr int kCalImageSize = 2727;     // bytes
constexpr int kCalImageLast = kCalImageSize - 1;
constexpr int kOutputs = 4;
constexpr int kMessageSlots = 8;

// Image index of a module address.
constexpr int ImageIndex(int address) {
    return address - kCalBaseAddress;
}

// Module addresses of every setting.
struct DataSourceAddresses {
    int MessageSlot, ByteIndex, StartBit, BitLength, FilterSize, SamplePeriod;
};
struct OutputCalAddresses {
    int FunctionFlags, Period, SecondaryMode;
    std::array<DataSourceAddresses, 2> DataSource;
    int PrimaryBlock, SecondaryBlock, TableBlock;
};
struct MessageSlotAddresses {
    int CanId, DataLength, Timeout, TimeoutData;
};
struct MessageDefSlotAddresses {
    int LibraryName, MessageName, Description, ByteOrder, Unit, Multiplier, Offset;
};

// Field widths of the laid-out settings.
namespace width {
constexpr int PrimaryBlock = 32, SecondaryBlock = 16, TableBlock = 256;
constexpr int CanId = 4, TimeoutData = 8, OutputName = 24;
constexpr int LibraryName = 24, MessageName = 24, Description = 80, Unit = 10;
constexpr int Multiplier = 8, Offset = 4;
}  // namespace width

struct CalAddressMap {
    std::array<OutputCalAddresses, kOutputs> OutputCal;
    int CanSpeed;
    std::array<MessageSlotAddresses, kMessageSlots> MessageSlot;
    std::array<int, kOutputs> OutputName;
    std::array<MessageDefSlotAddresses, kMessageSlots> MessageDefSlot;
    std::array<int, kOutputs> ShowFormatted, Reserved, OutputOptions;
    std::array<int, kMessageSlots> EndianLength;
    int End;  // the address after the last laid-out setting
};

// Lays the settings out one after another from 0x400.
CalAddressMap BuildCalAddressMap();
// The map, built once.
const CalAddressMap& CalAddresses();

class CalImage {
  public:
    CalImage() { bytes_.fill(0); }

    static constexpr int size() { return kCalImageSize; }
    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::uint8_t& operator[](int index) { return bytes_.at(static_cast<std::size_t>(index)); }
    std::uint8_t operator[](int index) const { return bytes_.at(static_cast<std::size_t>(index)); }
    bool operator==(const CalImage&) const = default;
    // Every byte erased (0xFF), as a module's memory is before any calibration was written.
    bool Blank() const;

    // Bytes at indexes first .. first + lastOffset; an index past the end reads 0xFF.
    Bytes CopyFromImage(int first, int lastOffset) const;
    // Copies bytes in from `first`; bytes that would fall outside the image are dropped.
    void CopyIntoImage(std::span<const std::uint8_t> bytes, int first);

    // Access by module address.
    std::uint8_t Byte(int address) const;
    void SetByte(int address, std::uint8_t value);
    unsigned Word(int address) const;                // 16-bit, big-endian
    void StoreWord(int address, double value);       // clamped to 0..65535, fraction dropped
    std::string Text(int address, int width) const;  // trimmed
    void StoreText(int address, int width, std::string_view utf8);
    double Double(int address) const;  // 8 bytes, LSB first
    void StoreDouble(int address, double value);
    std::int32_t Long(int address) const;  // 4 bytes, LSB first
    void StoreLong(int address, std::int32_t value);

  private:
    std::array<std::uint8_t, kCalImageSize> bytes_;
};

}  // namespace vx42
