// The calibration image: the copy of the module's configuration block and its address map.
#include "calibration/cal_image.h"

#include <algorithm>

#include "calibration/text_codec.h"

namespace vx42 {

CalAddressMap BuildCalAddressMap() {
    CalAddressMap m{};
    int at = kCalBaseAddress;
    auto take = [&at](int size) {
        const int here = at;
        at += size;
        return here;
    };
    for (auto& out : m.OutputCal) {
        out.FunctionFlags = take(1);
        out.Period = take(2);
        out.SecondaryMode = take(1);
        for (auto& ds : out.DataSource) {
            ds.MessageSlot = take(1);
            ds.ByteIndex = take(1);
            ds.StartBit = take(1);
            ds.BitLength = take(1);
            ds.FilterSize = take(1);
            ds.SamplePeriod = take(1);
        }
        out.PrimaryBlock = take(width::PrimaryBlock);
        out.SecondaryBlock = take(width::SecondaryBlock);
        out.TableBlock = take(width::TableBlock);
    }
    m.CanSpeed = 0x900;
    at = 0x902;
    for (auto& slot : m.MessageSlot) {
        slot.CanId = take(width::CanId);
        slot.DataLength = take(1);
        slot.Timeout = take(2);
        slot.TimeoutData = take(width::TimeoutData);
    }
    for (auto& name : m.OutputName) name = take(width::OutputName);
    for (auto& def : m.MessageDefSlot) {
        def.LibraryName = take(width::LibraryName);
        def.MessageName = take(width::MessageName);
        def.Description = take(width::Description);
        def.ByteOrder = take(1);
        def.Unit = take(width::Unit);
        def.Multiplier = take(width::Multiplier);
        def.Offset = take(width::Offset);
    }
    for (auto& a : m.ShowFormatted) a = take(1);
    for (auto& a : m.Reserved) a = take(1);
    for (auto& a : m.OutputOptions) a = take(1);
    for (auto& a : m.EndianLength) a = take(1);
    m.End = at;
    return m;
}

const CalAddressMap& CalAddresses() {
    static const CalAddressMap map = BuildCalAddressMap();
    return map;
}

bool CalImage::Blank() const {
    return std::all_of(bytes_.begin(), bytes_.end(), [](std::uint8_t b) { return b == 0xFF; });
}

Bytes CalImage::CopyFromImage(int first, int lastOffset) const {
    Bytes out;
    if (lastOffset < 0) return out;
    out.reserve(static_cast<std::size_t>(lastOffset) + 1);
    for (int i = first; i <= first + lastOffset; ++i)
        out.push_back(i >= 0 && i < kCalImageSize ? bytes_[static_cast<std::size_t>(i)] : 0xFF);
    return out;
}

void CalImage::CopyIntoImage(std::span<const std::uint8_t> bytes, int first) {
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const long i = first + static_cast<long>(k);
        if (i >= 0 && i < kCalImageSize) bytes_[static_cast<std::size_t>(i)] = bytes[k];
    }
}

std::uint8_t CalImage::Byte(int address) const {
    return (*this)[ImageIndex(address)];
}
void CalImage::SetByte(int address, std::uint8_t value) {
    (*this)[ImageIndex(address)] = value;
}

unsigned CalImage::Word(int address) const {
    return MakeWord(Byte(address), Byte(address + 1));
}

void CalImage::StoreWord(int address, double value) {
    SetByte(address, HighByte(value));
    SetByte(address + 1, LowByte(value));
}

std::string CalImage::Text(int address, int width) const {
    return FromFixedField(CopyFromImage(ImageIndex(address), width - 1));
}

void CalImage::StoreText(int address, int width, std::string_view utf8) {
    (void)(*this)[ImageIndex(address) + width - 1];  // the whole field must lie in the image
    CopyIntoImage(ToFixedField(utf8, static_cast<std::size_t>(width)), ImageIndex(address));
}

double CalImage::Double(int address) const {
    return BytesToDouble(CopyFromImage(ImageIndex(address), 7));
}
void CalImage::StoreDouble(int address, double value) {
    (void)(*this)[ImageIndex(address) + 7];
    CopyIntoImage(DoubleToBytes(value), ImageIndex(address));
}

std::int32_t CalImage::Long(int address) const {
    return BytesToLong(CopyFromImage(ImageIndex(address), 3));
}
void CalImage::StoreLong(int address, std::int32_t value) {
    (void)(*this)[ImageIndex(address) + 3];
    CopyIntoImage(LongToBytes(value), ImageIndex(address));
}

}  // namespace vx42
