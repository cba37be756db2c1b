// The transfer of the calibration image between the tool and the module.

#include <cstdio>
#include <stdexcept>

#include "base/numbers.h"
#include "calibration/number_format.h"
#include "device/module_link.h"

namespace vx42 {
namespace {

constexpr int kBlock = 16;
// The acknowledgement of a 16-byte block: its command letter.
constexpr std::uint8_t kBlockAck = 'P';

void Report(const Progress& progress, int done, int total, const std::string& text) {
    if (progress) progress(done, total, text);
}

// The 16 bytes of `image` from offset; positions past its end are 0xFF.
Bytes BlockAt(std::span<const std::uint8_t> image, int offset) {
    Bytes block(kBlock, 0xFF);
    for (int i = 0; i < kBlock; ++i)
        if (offset + i < static_cast<int>(image.size()))
            block[static_cast<std::size_t>(i)] = image[static_cast<std::size_t>(offset + i)];
    return block;
}

}  // namespace

std::string ProgressText(int count, int total) {
    return FormatNumber(count, Pattern::Grouped) + " Bytes of " +
           FormatNumber(total, Pattern::Grouped) + " Bytes copied.";
}

bool CopyBlockToImage(std::span<const std::uint8_t> block, int offset, CalImage& image,
                      const Progress& progress) {
    if (block.size() != kBlock) return false;
    image.CopyIntoImage(block, offset);
    const int maximum = kCalImageLast - 1;
    Report(progress, offset >= maximum ? maximum : offset, maximum,
           ProgressText(offset, kCalImageSize));
    return true;
}

bool ModuleLink::RetrieveCalibration(CalImage& image, const Progress& progress) {
    CalImage scratch;
    Bytes block;
    for (int offset = 0; offset <= kCalImageLast; offset += kBlock) {
        // The first block's attempts follow each other at once.
        const double pause = offset == 0 ? 0 : timing_.retryPauseMs;
        if (!Attempts(5, pause,
                      [&] { return Read16BytesDevice(kCalBaseAddress + offset, block); })) {
            prompt_.Message("Error Retrieving Calibration");
            return false;
        }
        if (!CopyBlockToImage(block, offset, scratch, progress)) return false;
    }
    Report(progress, kCalImageLast - 1, kCalImageLast - 1,
           ProgressText(kCalImageSize, kCalImageSize));
    image = scratch;
    return true;
}

bool ModuleLink::WriteFrozenImage(std::span<const std::uint8_t> image, int lastOffset,
                                  const Progress& progress) {
    if (!Retried([&] { return Write1ByteDevice(0xFF, address::Freeze); })) {
        prompt_.Message("Error Writing Set Freeze for update command");
        return false;
    }
    const int total = static_cast<int>(image.size());
    const int maximum = total - 2;
    for (int offset = 0; offset <= lastOffset; offset += kBlock) {
        const Bytes block = BlockAt(image, offset);
        if (!Retried([&] { return Write16BytesDevice(block, kCalBaseAddress + offset); })) {
            prompt_.Message("Error Writing Calibration");
            return false;
        }
        if (offset + kBlock > maximum)
            Report(progress, maximum, maximum, ProgressText(total, total));
        else
            Report(progress, offset, maximum, ProgressText(offset, total));
    }
    if (!Retried([&] { return Write1ByteDevice(0x00, address::Freeze); })) {
        prompt_.Message("Error Writing clear Freeze for update command");
        return false;
    }
    Retried([&] { return Write1ByteDevice(0xFF, address::AfterUpdate); });
    return true;
}

bool ModuleLink::WriteWholeCalibration(const CalImage& image, const Progress& progress) {
    struct Flushed {
        ModuleLink& link;
        explicit Flushed(ModuleLink& l) : link(l) { link.SetEventChar(kBlockAck); }
        ~Flushed() { link.SetEventChar(std::nullopt); }
    } flushed(*this);
    if (!WriteFrozenImage(image.bytes(), kCalImageLast + 1, progress)) return false;
    StoreFirmwareVersion();
    WriteMarkerCBE0();
    return true;
}

bool ModuleLink::StoreFirmwareVersion() {
    // An unknown version is not written as 0.0.
    const auto version = ReadVersion(FirmwareVersion(), 3, 255);
    if (!version) return false;
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>((*version)[0]),
                                   static_cast<std::uint8_t>((*version)[1])};
    return Attempts(5, 0, [&] { return Write2BytesDevice(bytes, address::FirmwareVersionStore); });
}

bool ModuleLink::WriteMarkerCBE0() {
    const std::uint8_t bytes[2] = {0xCB, 0xE0};
    return Write2BytesDevice(bytes, address::Marker);
}

bool ModuleLink::WriteMarker0400() {
    const std::uint8_t bytes[2] = {0x04, 0x00};
    return Write2BytesDevice(bytes, address::Marker);
}

bool ModuleLink::WriteStagedChange(int address, std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > kBlock)
        throw std::invalid_argument("a calibration change carries 1 to 16 bytes");
    const std::uint8_t target[2] = {static_cast<std::uint8_t>((address >> 8) & 0xFF),
                                    static_cast<std::uint8_t>(address & 0xFF)};
    const auto count = static_cast<std::uint8_t>(bytes.size());
    Bytes data(kBlock, 0);
    std::copy(bytes.begin(), bytes.end(), data.begin());
    // A step that fails ends the change: applying it would write these bytes to whatever
    // target an earlier change left staged.
    return Retried([&] { return Write2BytesDevice(target, address::StagingTarget); }) &&
           Retried([&] { return Write1ByteDevice(count, address::StagingCount); }) &&
           Retried([&] { return Write16BytesDevice(data, address::StagingData); }) &&
           Retried([&] { return Write1ByteDevice(0x01, address::StagingApply); });
}

void ModuleLink::WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) {
    WriteChange(address, bytes);
}

bool ModuleLink::WriteChange(int address, std::span<const std::uint8_t> bytes) {
    if (!online_) return false;
    if (WriteStagedChange(address, bytes)) return true;
    prompt_.Message("Error Writing Calibration Change");
    return false;
}

}  // namespace vx42
