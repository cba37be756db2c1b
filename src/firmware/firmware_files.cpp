// Firmware image files (".ROM", ".RM2"), bootloader upgrade files (".BLU") and S-records.
#include "firmware/firmware_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

#include "base/prompt.h"
#include "base/system_text.h"
#include "calibration/converters.h"
#include "files/file_io.h"
#include "files/folders.h"
#include "files/gauge_presets.h"
#include "files/input_limits.h"
#include "files/paths.h"

namespace vx42 {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMessageTitle = "Firmware File";
static_assert(limits::kFirmwareFileBytes >= static_cast<std::uintmax_t>(kLargestImage));
static_assert(limits::kSRecordFileBytes >= static_cast<std::uintmax_t>(2 * kLargestImage));

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Hex(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(value));
    return text;
}

// Reads a firmware file front to back; every read is checked against what remains.
class FirmwareReader {
  public:
    FirmwareReader(std::span<const std::uint8_t> bytes, const std::string& name)
        : bytes_(bytes), name_(name) {}

    std::uint8_t Byte(const std::string& what) { return Take(1, what)[0]; }
    std::int32_t Long(const std::string& what) { return BytesToLong(Take(4, what)); }
    std::span<const std::uint8_t> Take(std::size_t count, const std::string& what) {
        if (count > bytes_.size() - position_)
            Fail("the file ends inside " + what + " (" + std::to_string(count) +
                 " bytes needed at offset " + std::to_string(position_) + ", " +
                 std::to_string(bytes_.size() - position_) + " left)");
        const auto taken = bytes_.subspan(position_, count);
        position_ += count;
        return taken;
    }
    [[noreturn]] void Fail(const std::string& why) const {
        throw FirmwareFormatError(Quoted(name_) + " is not a valid firmware file: " + why + ".");
    }

  private:
    std::span<const std::uint8_t> bytes_;
    const std::string& name_;
    std::size_t position_ = 0;
};

// Reads a whole binary file for one of the loaders; reports and gives nothing on failure.
std::optional<std::vector<std::uint8_t>> ReadBinary(const std::string& path, Prompt& prompt) {
    if (!FileExists(path)) {
        prompt.Message(kFileNotFound);
        return std::nullopt;
    }
    try {
        return ReadWholeFile(path, limits::kFirmwareFileBytes);
    } catch (const FileError& e) {
        prompt.Message(e.what(), kMessageTitle, Icon::Exclamation);
        return std::nullopt;
    }
}

// ---- S-records ----

bool IsDataLine(std::string_view line) {
    return line.size() >= 2 && line[0] == 'S' && line[1] >= '1' && line[1] <= '3';
}

std::optional<std::uint32_t> HexField(std::string_view digits) {
    std::uint32_t value = 0;
    for (const char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

struct DataRecord {
    std::int64_t address = 0;
    int count = 0;          // data bytes
    std::string_view data;  // 2 * count hexadecimal digits, checked
};

[[noreturn]] void LineFault(std::size_t index, const std::string& why) {
    throw FirmwareFormatError("line " + std::to_string(index + 1) + ": " + why);
}

std::uint32_t LineHex(std::string_view line, std::size_t from, std::size_t digits,
                      std::size_t index, const char* what) {
    const auto value = HexField(line.substr(from, digits));
    if (!value)
        LineFault(index, std::string("bad hexadecimal digit in the ") + what + " \"" +
                             std::string(line.substr(from, digits)) + "\"");
    return *value;
}

// A data record (S1, S2, S3) of line `index`; throws for one that is malformed.
DataRecord ReadDataRecord(std::string_view line, std::size_t index) {
    const std::size_t addressBytes = static_cast<std::size_t>(line[1] - '0') + 1;
    if (line.size() < 4) LineFault(index, "the record has no count");
    const std::size_t count = LineHex(line, 2, 2, index, "count");
    if (count < addressBytes + 1)
        LineFault(index, "the count " + std::to_string(count) + " is too small for a " +
                             std::to_string(addressBytes) + "-byte address and the checksum");
    if (line.size() < 4 + 2 * count)
        LineFault(index, "the count " + std::to_string(count) + " needs " +
                             std::to_string(4 + 2 * count) + " characters, the line has " +
                             std::to_string(line.size()));
    DataRecord record;
    record.address = LineHex(line, 4, 2 * addressBytes, index, "address");
    record.count = static_cast<int>(count - addressBytes - 1);
    record.data = line.substr(4 + 2 * addressBytes, 2 * static_cast<std::size_t>(record.count));
    if (!HexField(record.data)) LineFault(index, "bad hexadecimal digit in the data");
    return record;
}

struct DataSpan {
    DataRecord first;
    std::int64_t last = 0;  // highest image index
};

DataSpan SpanOf(const std::vector<std::string>& lines) {
    std::optional<DataRecord> first, last;
    std::size_t firstIndex = 0, lastIndex = 0;
    for (std::size_t i = 0; i < lines.size() && !first; ++i)
        if (IsDataLine(lines[i])) first = ReadDataRecord(lines[i], firstIndex = i);
    if (!first) throw FirmwareFormatError("there are no data records (S1, S2 or S3)");
    for (std::size_t i = lines.size(); i-- > 0 && !last;)
        if (IsDataLine(lines[i])) last = ReadDataRecord(lines[i], lastIndex = i);
    const std::int64_t highest = last->address + last->count - first->address - 1;
    if (highest < 0)
        throw FirmwareFormatError("the last data record (line " + std::to_string(lastIndex + 1) +
                                  ") ends at or before the start of the first (line " +
                                  std::to_string(firstIndex + 1) +
                                  "); the records must be in ascending address order");
    if (highest >= kLargestImage)
        throw FirmwareFormatError("the data records span " + std::to_string(highest + 1) +
                                  " bytes, more than the module can address");
    return {*first, highest};
}

}  // namespace

FirmwareFile ParseFirmwareFile(std::span<const std::uint8_t> bytes, const std::string& name) {
    FirmwareReader in(bytes, name);
    FirmwareFile file;
    file.recordCount = in.Byte("the record count");
    const auto id = in.Take(file.identification.size(), "the identification bytes");
    std::copy(id.begin(), id.end(), file.identification.begin());
    file.versionAddress = in.Long("the version address");
    file.infoAddress = in.Long("the information address");
    file.records.reserve(file.recordCount);
    for (int r = 1; r <= file.recordCount; ++r) {
        const std::string which =
            "record " + std::to_string(r) + " of " + std::to_string(file.recordCount);
        FirmwareRecord record;
        record.type = in.Byte(which);
        record.length = in.Long(which);
        record.address = in.Long(which);
        if (record.length < 1) in.Fail(which + " has the length " + std::to_string(record.length));
        const auto data = in.Take(static_cast<std::size_t>(record.length), "the data of " + which);
        if (record.address < 0 ||
            static_cast<std::int64_t>(record.address) + record.length > kLargestImage)
            in.Fail(which + " lies outside the module's memory (" + std::to_string(record.length) +
                    " bytes at " + std::to_string(record.address) + ")");
        record.data.assign(data.begin(), data.end());
        file.records.push_back(std::move(record));
    }
    return file;
}

bool ReadFirmwareFile(const std::string& folder, const std::string& fileName,
                      FirmwareFile& firmware, Prompt& prompt) {
    const std::string path = JoinPath(folder, fileName);
    const auto bytes = ReadBinary(path, prompt);
    if (!bytes) return false;
    try {
        firmware = ParseFirmwareFile(*bytes, path);
    } catch (const FirmwareFormatError& e) {
        prompt.Message(e.what(), kMessageTitle, Icon::Exclamation);
        return false;
    }
    return true;
}

bool ReadBootImageFile(const std::string& path, BootImage& image, Prompt& prompt) {
    auto bytes = ReadBinary(path, prompt);
    if (!bytes) return false;
    bytes->push_back(0x00);
    image = std::move(*bytes);
    return true;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
    std::error_code ec;
    if (!fs::exists(PathFromUtf8(path), ec) && !ec) {
        std::ofstream create(PathFromUtf8(path), std::ios::binary);
        if (!create) return false;
        lines.clear();
        return true;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(path, limits::kSRecordFileBytes);
    } catch (const InputCapError&) {
        throw;
    } catch (const FileError&) {
        return false;
    }
    lines = SplitTextLines(bytes, limits::kSRecordLines, Quoted(path));
    return true;
}

std::int64_t SRecordImageLast(const std::vector<std::string>& lines) {
    return SpanOf(lines).last;
}

void ParseSRecords(std::vector<std::string>& lines, std::vector<std::uint8_t>& image,
                   std::int64_t& highest, const LinePump& pump) {
    const DataSpan span = SpanOf(lines);
    std::vector<std::uint8_t> filled(static_cast<std::size_t>(span.last + 1), 0x00);
    const std::int64_t base = span.first.address;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsDataLine(lines[i])) {
            const DataRecord record = ReadDataRecord(lines[i], i);
            const std::int64_t offset = record.address - base;
            if (offset < 0 || offset + record.count > span.last + 1)
                LineFault(i, "its data at " + Hex(record.address) +
                                 " lies outside the image spanned by the first and last data "
                                 "records (" +
                                 Hex(base) + " to " + Hex(base + span.last) + ")");
            for (int j = 0; j < record.count; ++j)
                filled[static_cast<std::size_t>(offset + j)] = static_cast<std::uint8_t>(
                    *HexField(record.data.substr(2 * static_cast<std::size_t>(j), 2)));
        }
        if (pump) pump();
    }
    image = std::move(filled);
    highest = span.last;
    lines.clear();
    lines.shrink_to_fit();
}

bool CreateBootImageFile(const std::string& sourcePath, const std::string& targetPath,
                         Prompt& prompt, const LinePump& pump) {
    auto fail = [&prompt](const std::string& text) {
        prompt.Message(text, kMessageTitle, Icon::Exclamation);
        return false;
    };
    std::vector<std::string> lines;
    try {
        if (!ReadTextLines(sourcePath, lines)) return fail("Could not open " + Quoted(sourcePath));
    } catch (const InputCapError& e) {
        return fail(e.what() + std::string("; no BLU file was made."));
    }
    if (lines.empty()) return fail(Quoted(sourcePath) + " is empty; no BLU file was made.");
    std::vector<std::uint8_t> image;
    std::int64_t highest = -1;
    try {
        ParseSRecords(lines, image, highest, pump);
        WriteFileAtomic(targetPath, image);
    } catch (const FirmwareFormatError& e) {
        return fail(Quoted(sourcePath) + ", " + e.what() + ". No BLU file was made.");
    } catch (const FileError& e) {
        return fail(e.what());
    }
    return true;
}

bool CreateBootImageFile(Prompt& prompt, const LinePump& pump) {
    const std::string folder = ProgramFolders().userData;
    return CreateBootImageFile(JoinPath(folder, kSRecordSourceName),
                               JoinPath(folder, kBootUpgradeName), prompt, pump);
}

}  // namespace vx42
