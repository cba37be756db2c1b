// vx42ctl library show | build | import-dbc, canid to-module | from-module.

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "base/numbers.h"
#include "base/system_text.h"
#include "can/blowfish.h"
#include "can/can_message.h"
#include "can/dbc_import.h"
#include "can/hex_text.h"
#include "can/library_files.h"
#include "can/library_json.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "files/folders.h"
#include "files/paths.h"

namespace vx42::cli {

namespace {

constexpr std::uint32_t kLargestExtendedId = 0x1FFFFFFF;
constexpr std::uint32_t kLargestStandardId = 0x7FF;

struct LibraryOptions {
    std::string file;
    std::string output;
    std::string id;
    bool clearRtr = false;
    // import-dbc
    bool user = false;
    std::string libraryFolder;
    std::vector<std::string> messages;
    std::vector<std::string> signalList;
};

CanLibrary ReadLibrary(const std::string& path) {
    // Read once with the window's cap, so a missing or oversized file is told as such and not
    // as a failed decryption.
    std::vector<std::uint8_t> bytes = ReadInputFile(path, limits::kLibraryFileBytes);
    clsBlowfish cipher;
    if (!cipher.DecryptByte(bytes, LibraryKey))
        throw CliError(Quoted(path) + " is not a message library: " + cipher.LastError());
    CanLibrary library;
    library.Name = LibraryNameFromFile(Utf8FromPath(PathFromUtf8(path).filename()));
    const LibraryReadResult result = ReadLibraryBytes(bytes, library);
    switch (result.status) {
        case LibraryReadResult::Status::Ok:
            break;
        case LibraryReadResult::Status::NotALibrary:
            throw CliError(Quoted(path) + " is not a message library (version \"" +
                           library.Version + "\")");
        case LibraryReadResult::Status::TooMany:
            throw CliError(Quoted(path) + " has more than " + LimitText(limits::kLibraryMessages) +
                           " messages");
        case LibraryReadResult::Status::Damaged:
            throw CliError(Quoted(path) + " is damaged: " + std::to_string(result.loaded) +
                           " complete messages of " + std::to_string(result.expected));
    }
    return library;
}

void ShowLibrary(const LibraryOptions& o) {
    WriteLibraryJson(std::cout, ReadLibrary(o.file));
    std::cout.flush();
}

void BuildLibrary(const LibraryOptions& o) {
    CanLibrary library;
    try {
        library = LibraryFromJson(ReadJsonFile(o.file, limits::kLibraryJson), Quoted(o.file));
    } catch (const LibraryJsonError& e) {
        throw CliError(e.what());
    }
    clsBlowfish cipher;
    if (!cipher.EncryptFile(WriteLibraryBytes(library), o.output, LibraryKey))
        throw CliError(cipher.LastError());
}

// A --message choice names a message by its name or its identifier (decimal or 0x...).
bool MessageChosen(const DbcMessage& m, const std::vector<std::string>& choices) {
    if (choices.empty()) return true;
    for (const std::string& c : choices) {
        if (c == m.name) return true;
        const bool hex = c.size() > 2 && c[0] == '0' && (c[1] == 'x' || c[1] == 'X');
        const auto id = hex ? ParseHex32(c.substr(2)) : std::optional<std::uint32_t>{};
        if (id && *id == m.id) return true;
        const auto decimal = hex ? std::nullopt : ReadUnsigned(c, 10, UINT32_MAX);
        if (decimal && *decimal == m.id) return true;
    }
    return false;
}

void ImportDbc(const LibraryOptions& o, Session& session) {
    DbcFile file;
    try {
        file = ReadDbcFile(o.file);
    } catch (const FileError& e) {
        throw CliError(e.what());
    }
    for (const DbcProblem& p : file.problems)
        Note(Quoted(o.file) + " line " + std::to_string(p.line) + ": " + p.text + "; skipped");
    if (file.problemCount > file.problems.size())
        Note(Quoted(o.file) + ": " + std::to_string(file.problemCount - file.problems.size()) +
             " more damaged lines skipped");

    DbcImportList list(file);
    std::vector<int> considered;
    for (std::size_t r = 0; r < list.rows().size(); ++r) {
        const auto& row = list.rows()[r];
        const DbcMessage& m = file.messages[static_cast<std::size_t>(row.message)];
        const DbcSignal& s = m.signalList[static_cast<std::size_t>(row.signal)];
        if (!MessageChosen(m, o.messages)) continue;
        if (!o.signalList.empty() &&
            std::find(o.signalList.begin(), o.signalList.end(), s.name) == o.signalList.end())
            continue;
        considered.push_back(static_cast<int>(r));
        list.SetChecked(static_cast<int>(r), true);
    }
    if (considered.empty()) throw CliError(Quoted(o.file) + " has no signal of that choice");
    // What became of each considered signal; names: those given to the imported ones.
    const auto report = [&](const std::vector<std::string>& names) {
        std::size_t given = 0;
        for (int r : considered) {
            const auto& row = list.rows()[static_cast<std::size_t>(r)];
            const DbcMessage& m = file.messages[static_cast<std::size_t>(row.message)];
            const std::string what =
                m.name + " " + m.signalList[static_cast<std::size_t>(row.signal)].name;
            if (!row.import.importable) {
                std::cout << "not imported: " << what << ": " << row.import.reason << "\n";
                continue;
            }
            std::cout << "imported: " << what << " as " << Quoted(names.at(given++));
            for (const std::string& note : row.import.notes) std::cout << "; " << note;
            std::cout << "\n";
        }
    };
    if (list.CheckedCount() == 0) {
        report({});
        throw CliError(Quoted(o.file) + ": none of the chosen signals can be imported");
    }

    LibrarySet set;
    std::string target = o.output;
    std::string folder;
    if (o.user) {
        folder = o.libraryFolder.empty() ? ProgramFolders().userLibraries() : o.libraryFolder;
        LoadLibraries(set, LibraryFolders(folder), session.prompt);
        if (FindUserDefinedLibrary(set)) {
            const CanLibrary& user =
                set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)];
            if (!user.Messages.empty() && user.Version != "C002")
                throw CliError("The User Defined library in " + Quoted(folder) + " has version " +
                               Quoted(user.Version) +
                               "; open CAN Message Setup in the window to renew it first");
        }
        target = JoinPath(folder, kUserDefinedFile);
    }
    if (!UserLibraryHasRoom(set, static_cast<std::size_t>(list.CheckedCount())))
        throw CliError(Quoted(target) + " would hold more than " +
                       LimitText(limits::kLibraryMessages) + " messages");
    const std::vector<std::string> names = AddToUserLibrary(set, list.Chosen());

    if (o.user) {
        if (!SaveUserDefinedLibrary(set, folder))
            throw CliError("The User Defined library could not be saved to " + Quoted(target));
    } else {
        const CanLibrary& library =
            set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)];
        clsBlowfish cipher;
        if (!cipher.EncryptFile(WriteLibraryBytes(library), o.output, LibraryKey))
            throw CliError(cipher.LastError());
    }
    report(names);
    std::cout << names.size() << " signals added to " << Quoted(target) << "\n";
    std::cout.flush();
}

// Hexadecimal text as typed: an optional "0x" and leading zeros are allowed.
std::optional<std::uint32_t> TypedHex(std::string text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
    const auto digits = text.find_first_not_of('0');
    if (!text.empty() && digits == std::string::npos) return 0;
    if (digits != std::string::npos) text.erase(0, digits);
    return ParseHex32(text);
}

std::string EightDigits(std::uint32_t value) {
    std::string digits = Hex32(value);
    digits.insert(0, 8 - digits.size(), '0');
    return digits;
}

void ToModule(const LibraryOptions& o) {
    const auto id = TypedHex(o.id);
    if (!id || *id > kLargestExtendedId)
        throw CliError("canid to-module: " + Quoted(o.id) +
                       " is not a CAN identifier (hexadecimal, at most 1FFFFFFF)");
    const std::string idHex = CanIdHex(static_cast<std::int32_t>(*id));
    if (idHex.size() <= 4 && *id > kLargestStandardId)
        Note("canid to-module: " + idHex +
             " has at most 4 digits and is taken as a standard identifier, but a standard "
             "identifier has 11 bits (at most 7FF)");
    std::string hex8 = CanIdToModule(idHex);
    if (o.clearRtr) hex8 = EightDigits(ClearRtrBits(*ParseHex32(hex8)));
    std::cout << hex8 << "\n";
}

void FromModule(const LibraryOptions& o) {
    const std::string id = CanIdFromModule(o.id);
    if (id.empty())
        throw CliError("canid from-module: " + Quoted(o.id) +
                       " is not a module register value (1 to 8 hexadecimal digits)");
    std::cout << id << "\n";
}

}  // namespace

void AddLibraryCommands(CLI::App& app, Session& session) {
    auto o = std::make_shared<LibraryOptions>();

    auto* library = app.add_subcommand("library", "Message library files (.DVM)");
    library->require_subcommand(1);
    auto* show = library->add_subcommand(
        "show",
        "Decrypt a message library and print it as JSON: its name (from the file name), "
        "its version and every message definition");
    show->add_option("FILE", o->file, "Message library file (.DVM)")->required();
    show->callback([o] { ShowLibrary(*o); });
    auto* build = library->add_subcommand(
        "build",
        "Write an encrypted message library of version C002 from JSON in the shape "
        "\"library show\" prints (its Name and Version are ignored: the name comes "
        "from the file name)");
    build->add_option("IN", o->file, "JSON file")->required();
    build->add_option("-o,--output", o->output, "Message library file to write (.DVM)")->required();
    build->callback([o] { BuildLibrary(*o); });
    auto* importDbc = library->add_subcommand(
        "import-dbc",
        "Turn the signals of a CAN database (.dbc) into message definitions, in a new library "
        "(-o) or added to the user's own library (--user); print what was imported and what "
        "was not, with the reason");
    importDbc->add_option("IN", o->file, "CAN database file (.dbc)")->required();
    auto* out =
        importDbc->add_option("-o,--output", o->output, "Message library file to write (.DVM)");
    auto* user = importDbc->add_flag(
        "--user", o->user, "Add to the User Defined library (as CAN Message Setup saves it)");
    out->excludes(user);
    importDbc
        ->add_option("--library-folder", o->libraryFolder,
                     "Folder of the User Defined library (the user's own by default)")
        ->needs(user);
    importDbc->add_option(
        "--message", o->messages,
        "Only this message: its name or identifier (decimal or 0x...); repeatable");
    importDbc->add_option("--signal", o->signalList, "Only signals of this name; repeatable");
    importDbc->callback([o, &session] {
        if (o->output.empty() && !o->user) throw CliError("import-dbc: give -o OUT.DVM or --user");
        ImportDbc(*o, session);
    });

    auto* canid = app.add_subcommand(
        "canid", "Convert between CAN identifiers and the module's identifier register");
    canid->require_subcommand(1);
    auto* to = canid->add_subcommand(
        "to-module",
        "Print the 8 hexadecimal digits of the module's identifier register for a "
        "CAN identifier (4 digits or fewer: standard, more: extended)");
    to->add_option("ID", o->id, "CAN identifier in hexadecimal, as typed in the message editor")
        ->required();
    to->add_flag("--clear-rtr", o->clearRtr, "Clear the remote-request bits (\"Clear RTR Bit\")");
    to->callback([o] { ToModule(*o); });
    auto* from = canid->add_subcommand(
        "from-module", "Print the CAN identifier, in hexadecimal, of a module register value");
    from->add_option("HEX8", o->id, "The register's 8 hexadecimal digits")->required();
    from->callback([o] { FromModule(*o); });
}

}  // namespace vx42::cli
