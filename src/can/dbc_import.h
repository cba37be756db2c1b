#pragma once
// Signals of a CAN database turned into message definitions of the user's library, exactly or
// not at all.
//
// Position convention (the one the shipped libraries use): the module takes `EndianLength`
// bytes of the frame from `StartByte` on and joins them into one number, the byte at
// `StartByte` least significant when `BigEndian` is false and most significant when it is
// true; the value is then `BitLength` bits of that number from bit `StartBit` up (bit 0 the
// least significant). A database's Intel start bit names the signal's least significant bit
// (byte = bit / 8); its Motorola start bit names the most significant one, the signal running
// on into the following bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "can/can_message.h"
#include "can/dbc_file.h"

namespace vx42 {

// The raw value a definition reads from a frame (up to 8 data bytes), by the convention above.
// Bits beyond the frame read as 0.
std::uint32_t ExtractSignal(const CanMessage& definition, std::span<const std::uint8_t> frame);

// One database signal as the import sees it.
struct SignalImport {
    bool importable = false;
    std::string reason;              // why not, when not importable
    CanMessage definition;           // when importable; Name and Description not yet unique or cut
    std::vector<std::string> notes;  // what was changed on the way (an offset rounded, ...)
};

// The definition of a signal of a message, or why there can be none.
SignalImport ConvertSignal(const DbcMessage& message, const DbcSignal& signal);

// A message's identifier with both bases said, as a database may write either:
// "0x81 (129)", "0x18FEF100 (419361024), extended".
std::string IdentifierText(const DbcMessage& message);

// The tool's unit for a database unit ("degC" -> "°C", "km/h" -> "KPH"); "None" when the
// unit is none of the tool's units.
std::string MapUnit(const std::string& dbcUnit);

// The messages and signals of a database as the import list shows them: each importable
// signal can be checked; a filter text narrows the list.
class DbcImportList {
  public:
    explicit DbcImportList(const DbcFile& file);

    struct Row {
        int message = 0;  // index in the file
        int signal = 0;   // index in the message
        SignalImport import;
        bool checked = false;
    };

    const DbcFile& file() const { return file_; }
    const std::vector<Row>& rows() const { return rows_; }
    // The rows of a message, in the file's order.
    std::vector<int> RowsOf(int message) const;

    // Case-insensitive: a message shows when its name or identifier (either base) holds the
    // filter, with all its signals; otherwise with those of its signals whose name, unit or
    // comment holds it. An empty filter shows everything.
    void SetFilter(const std::string& filter);
    bool MessageShown(int message) const;
    bool RowShown(int row) const;

    // Checking a row that cannot be imported does nothing; checking a message checks its
    // importable rows that are shown.
    void SetChecked(int row, bool checked);
    void SetMessageChecked(int message, bool checked);
    // Every importable signal (the command line's default).
    void CheckAll();
    int CheckedCount() const;

    // The definitions of the checked rows, in the file's order.
    std::vector<CanMessage> Chosen() const;

  private:
    bool Matches(const std::string& text) const;

    const DbcFile& file_;
    std::vector<Row> rows_;
    std::vector<int> firstRow_;  // per message; rows_.size() past the last
    std::string filter_;         // lower case
    std::vector<bool> messageMatches_;
};

// Whether the "User Defined" library (a new one when missing) can take that many more
// definitions: a library file holds at most limits::kLibraryMessages.
bool UserLibraryHasRoom(const LibrarySet& set, std::size_t more);

// Adds the definitions to the "User Defined" library (created when missing): each name cut to
// its width and made unique against the library by a number (" 2", " 3", ...), the
// description cut to its width; marks the libraries changed. Returns the names given.
std::vector<std::string> AddToUserLibrary(LibrarySet& set, const std::vector<CanMessage>& chosen);

}  // namespace vx42
