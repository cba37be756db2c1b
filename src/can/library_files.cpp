// Message library files: the encrypted ".DVM" files of the Libraries folder.
#include "can/library_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <numeric>

#include "base/prompt.h"
#include "base/system_text.h"
#include "calibration/converters.h"
#include "calibration/text_codec.h"
#include "can/blowfish.h"
#include "files/file_io.h"
#include "files/input_limits.h"
#include "files/paths.h"
#include "files/settings.h"

namespace vx42 {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kRecordSize = 137;  // with EndianLength
constexpr std::size_t kShortRecordSize = 136;

constexpr const char* kNotEncryptedText = "Error, input file is not an encrypted\r\n";

// Reads fields of a record one after another.
class RecordReader {
  public:
    explicit RecordReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint8_t Byte() { return bytes_[at_++]; }
    bool Flag() { return Byte() != 0; }
    std::span<const std::uint8_t> Take(std::size_t n) {
        auto piece = bytes_.subspan(at_, n);
        at_ += n;
        return piece;
    }
    std::int32_t Long() { return BytesToLong(Take(4)); }
    double Double() { return BytesToDouble(Take(8)); }
    // A text field as stored, padding included.
    std::string Text(std::size_t width) { return FromWin1252(Take(width)); }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

bool IsLibraryFileName(const std::string& name) {
    if (name.size() < 3) return false;
    std::string tail = name.substr(name.size() - 3);
    for (auto& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == "DVM";
}

void ReportProblem(Prompt& prompt, const std::string& fileName, const LibraryReadResult& r) {
    if (r.status == LibraryReadResult::Status::NotALibrary) {
        prompt.Message(kNotEncryptedText, {}, Icon::Exclamation);
    } else if (r.status == LibraryReadResult::Status::Damaged) {
        prompt.Message("The message library file \"" + fileName +
                           "\" is damaged: " + std::to_string(r.loaded) + " of " +
                           std::to_string(r.expected) + " messages could be read.",
                       {}, Icon::Exclamation);
    } else if (r.status == LibraryReadResult::Status::TooMany) {
        prompt.Message("The message library file \"" + fileName + "\" has more than " +
                           LimitText(limits::kLibraryMessages) +
                           " messages, more than a library holds. It was not loaded.",
                       {}, Icon::Exclamation);
    }
}

}  // namespace

LibraryReadResult ReadLibraryBytes(std::span<const std::uint8_t> bytes, CanLibrary& library) {
    LibraryReadResult result;
    library.Messages.clear();
    library.Version = FromWin1252(bytes.first(std::min<std::size_t>(4, bytes.size())));
    const std::string& version = library.Version;
    if (version.empty() || (version[0] != 'C' && version[0] != 'V')) {
        result.status = LibraryReadResult::Status::NotALibrary;
        return result;
    }
    const bool withEndianLength = version[0] == 'C' && LeadingNumber(version.substr(1)) > 0;
    const std::size_t recordSize = withEndianLength ? kRecordSize : kShortRecordSize;
    if (bytes.size() < kHeaderSize) {
        result.status = LibraryReadResult::Status::Damaged;
        return result;
    }
    result.expected = BytesToLong(bytes.subspan(4, 4));
    // The count is only believed as far as the data go.
    const std::size_t available = (bytes.size() - kHeaderSize) / recordSize;
    const std::size_t count =
        result.expected < 0
            ? 0
            : std::min<std::size_t>(static_cast<std::size_t>(result.expected), available);
    if (result.expected < 0 || count < static_cast<std::size_t>(result.expected))
        result.status = LibraryReadResult::Status::Damaged;
    if (count > static_cast<std::size_t>(limits::kLibraryMessages)) {
        result.status = LibraryReadResult::Status::TooMany;
        return result;
    }

    library.Messages.resize(count);
    RecordReader in(bytes.subspan(kHeaderSize, count * recordSize));
    for (auto& m : library.Messages) {
        m.CanId = in.Long();
        m.Name = in.Text(canwidth::Name);
        m.Description = in.Text(canwidth::Description);
        m.DataLength = in.Byte();
        m.StartByte = in.Byte();
        m.StartBit = in.Byte();
        m.BitLength = in.Byte();
        m.BigEndian = in.Flag();
        m.Offset = in.Long();
        m.Multiplier = in.Double();
        m.Unit = in.Text(canwidth::Unit);
        m.ClearRtr = in.Flag();
        m.EndianLength = withEndianLength ? in.Byte() : 0;
    }
    result.loaded = static_cast<int>(count);
    return result;
}

std::vector<std::uint8_t> WriteLibraryBytes(const CanLibrary& library) {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + kRecordSize * library.Messages.size());
    Append(out, ToFixedField("C002", canwidth::Version));
    Append(out, LongToBytes(library.MessageCount()));
    for (const auto& m : library.Messages) {
        Append(out, LongToBytes(m.CanId));
        Append(out, ToFixedField(m.Name, canwidth::Name));
        Append(out, ToFixedField(m.Description, canwidth::Description));
        out.push_back(m.DataLength);
        out.push_back(m.StartByte);
        out.push_back(m.StartBit);
        out.push_back(m.BitLength);
        out.push_back(m.BigEndian ? 0xFF : 0x00);
        Append(out, LongToBytes(m.Offset));
        Append(out, DoubleToBytes(m.Multiplier));
        Append(out, ToFixedField(m.Unit, canwidth::Unit));
        out.push_back(m.ClearRtr ? 0xFF : 0x00);
        out.push_back(m.EndianLength);
    }
    return out;
}

std::string LibraryNameFromFile(std::string_view fileName) {
    const std::string_view stem = fileName.substr(0, fileName.size() > 4 ? fileName.size() - 4 : 0);
    std::string joined;
    std::size_t from = 0;
    for (;;) {
        const std::size_t cut = stem.find('_', from);
        joined += stem.substr(from, cut == std::string_view::npos ? cut : cut - from);
        joined += ' ';
        if (cut == std::string_view::npos) break;
        from = cut + 1;
    }
    return FixedText(Trimmed(joined), canwidth::LibraryName);
}

std::string LibraryFolderOf(const std::string& programFolder) {
    return JoinPath(programFolder, "Libraries") + kPathSeparator;
}

void LoadLibraries(LibrarySet& set, const LibraryFolders& folders, Prompt& prompt) {
    // File name to path; the user's folder is listed last so that its file of a name wins.
    std::map<std::string, std::string> files;
    bool anyFolder = false;
    for (const std::string* folder : {&folders.shipped, &folders.user}) {
        std::error_code ec;
        const fs::path listed = PathFromUtf8(*folder);
        if (!fs::is_directory(listed, ec)) continue;
        anyFolder = true;
        for (fs::directory_iterator it(listed, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code fileEc;
            if (!it->is_regular_file(fileEc)) continue;
            const std::string name = Utf8FromPath(it->path().filename());
            if (IsLibraryFileName(name) && it->file_size(fileEc) > 0 && !fileEc)
                files[name] = JoinPath(*folder, name);
        }
    }
    if (!anyFolder) return;

    set.MessageLibraries.clear();
    set.UserDefinedIndex = -1;
    set.UndefinedIndex = -1;
    clsBlowfish cipher;
    cipher.Key(LibraryKey);
    // File-name order (the map's), so the result does not depend on how folders are listed.
    for (const auto& [name, path] : files) {
        CanLibrary library;
        library.Name = LibraryNameFromFile(name);
        std::vector<std::uint8_t> bytes;
        LibraryReadResult result;
        if (const auto length = FileLength(path); length > limits::kLibraryFileBytes) {
            prompt.Message("The message library file " +
                               TooLargeText("\"" + name + "\"", length, limits::kLibraryFileBytes) +
                               ". It was not loaded.",
                           {}, Icon::Exclamation);
        } else {
            if (cipher.DecryptFile(path, bytes, LibraryKey, limits::kLibraryFileBytes))
                result = ReadLibraryBytes(bytes, library);
            else
                result.status = LibraryReadResult::Status::NotALibrary;
            ReportProblem(prompt, name, result);
        }
        set.MessageLibraries.push_back(std::move(library));
    }
}

void SetupLibraries(LibrarySet& set, const LibraryFolders& folders, Prompt& prompt) {
    LoadLibraries(set, folders, prompt);
    if (!FindUserDefinedLibrary(set)) {
        set.MessageLibraries.push_back(NewLibrary(kUserDefinedName));
        FindUserDefinedLibrary(set);
    }
    set.UndefinedIndex = -1;
    FindUndefinedLibrary(set);
}

std::vector<int> SortOrder(const std::vector<std::string>& names) {
    std::vector<std::string> keys;
    keys.reserve(names.size());
    for (const auto& n : names) keys.push_back(Trimmed(n));
    std::vector<int> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    // std::string compares its characters as unsigned codes, so upper case sorts first.
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    });
    return order;
}

std::vector<int> SortLibraries(const LibrarySet& set) {
    std::vector<std::string> names;
    names.reserve(set.MessageLibraries.size());
    for (const auto& library : set.MessageLibraries) names.push_back(library.Name);
    return SortOrder(names);
}

bool SaveUserDefinedLibrary(LibrarySet& set, const std::string& folder) {
    if (!FindUserDefinedLibrary(set)) return false;
    std::error_code ec;
    fs::create_directories(PathFromUtf8(folder), ec);
    clsBlowfish cipher;
    const auto bytes =
        WriteLibraryBytes(set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)]);
    if (!cipher.EncryptFile(bytes, JoinPath(folder, kUserDefinedFile), LibraryKey)) return false;
    set.LibrariesChanged = false;
    return true;
}

bool CheckUserDefinedLibrary(LibrarySet& set, const LibraryFolders& folders, Prompt& prompt) {
    if (set.MessageLibraries.empty() || !FindUserDefinedLibrary(set)) return true;
    const auto& library = set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)];
    if (library.Messages.empty() || library.Version == "C002") return true;
    // An earlier backup is never replaced: the first free name of User_Defined_Old.DVM,
    // User_Defined_Old_2.DVM, User_Defined_Old_3.DVM, ...
    std::string backup = kUserDefinedOldFile;
    const auto taken = [&](const std::string& name) {
        std::error_code ec;
        return fs::exists(fs::symlink_status(PathFromUtf8(JoinPath(folders.user, name)), ec));
    };
    for (int n = 2; taken(backup); ++n) backup = "User_Defined_Old_" + std::to_string(n) + ".DVM";
    prompt.Message(
        "Invalid User Defined Library!\r\nYour Current User Defined Library has been "
        "renamed!\r\n\r\nRenamed File: '" +
            Trimmed(LibraryNameFromFile(backup)) +
            "'\r\n\r\nA new User Defined file has been created.\r\n",
        {}, Icon::Exclamation);
    // A failed rename is ignored: the old file stays and the message returns next time.
    RenameWithoutReplacing(JoinPath(folders.user, kUserDefinedFile),
                           JoinPath(folders.user, backup));
    SetupLibraries(set, folders, prompt);
    return false;
}

bool ImportLibrary(LibrarySet& set, Prompt& prompt, Settings& settings, SettingsStore& store,
                   const LibraryFolders& folders) {
    if (!ImportLibraryFile(prompt, settings, store, folders.user)) return false;
    SetupLibraries(set, folders, prompt);
    return true;
}

}  // namespace vx42
