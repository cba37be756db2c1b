#pragma once
// CAN database (.dbc) files as vehicle makers and public databases publish them: the messages
// (BO_), their signals (SG_), the comments of messages and signals (CM_) and the value
// tables (VAL_). Every other section (nodes, attributes, signal groups, environment variables)
// is left aside. Texts come out as UTF-8 whatever the file's encoding: a text that is not
// valid UTF-8 is read as Windows-1252 (Latin-1), so "°" stays "°".
//
// The file is hostile input: a line that cannot be read is reported with its number and
// skipped, never guessed; the size and the counts are capped (files/input_limits.h).

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/input_limits.h"

namespace vx42 {

struct DbcSignal {
    std::string name;
    int startBit = 0;       // Intel: the least significant bit; Motorola: the most significant
    int length = 0;         // bits, 1 to 64
    bool motorola = false;  // "@0": big-endian; "@1": little-endian (Intel)
    bool isSigned = false;  // "-"
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    std::string unit;
    std::vector<std::string> receivers;
    bool multiplexor = false;  // "M": selects which multiplexed signals the frame carries
    int multiplexValue = -1;   // "mN": present only when the multiplexor holds N; else -1
    std::string comment;
    std::vector<std::pair<std::int64_t, std::string>> values;  // VAL_: raw value, its text

    bool multiplexed() const { return multiplexValue >= 0; }
};

struct DbcMessage {
    std::uint32_t id = 0;   // 11 or 29 bits
    bool extended = false;  // bit 31 of the file's identifier
    std::string name;
    int length = 0;  // data bytes
    std::string transmitter;
    std::string comment;
    std::vector<DbcSignal> signalList;
};

struct DbcProblem {
    int line = 0;  // 1-based
    std::string text;
};

struct DbcFile {
    std::vector<DbcMessage> messages;
    std::vector<DbcProblem> problems;  // the first limits::kDbcProblemsKept
    std::size_t problemCount = 0;      // all of them

    std::size_t SignalCount() const;
};

// Reads a database from its text. `source` names it in a cap error. Throws InputCapError
// when the text holds more messages or signals than the caps.
DbcFile ReadDbc(std::string_view text, const std::string& source);
// Reads a database file; throws FileError when it cannot be read and InputCapError beyond
// the caps.
DbcFile ReadDbcFile(const std::string& path);

// A text as UTF-8: kept when it is valid UTF-8, otherwise read as Windows-1252.
std::string DbcText(std::string_view bytes);

}  // namespace vx42
