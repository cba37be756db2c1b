// Signals of a CAN database turned into message definitions of the user's library.
#include "can/dbc_import.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <unordered_map>
#include <utility>

#include "base/numbers.h"

namespace vx42 {

namespace {

constexpr int kFrameBytes = 8;      // the module reads classic CAN frames
constexpr int kLongestSignal = 16;  // raw CAN values are 16-bit

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// A comment as one line: runs of blanks and line ends become one space.
std::string OneLine(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        const bool isBlank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (isBlank) {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

struct Position {
    int startByte = 0;
    int startBit = 0;
    int endianLength = 0;
};

// Where a signal sits by the definition's convention (see the header).
Position PositionOf(const DbcSignal& s) {
    Position p;
    p.startByte = s.startBit / 8;
    const int bit = s.startBit % 8;
    if (!s.motorola) {
        p.startBit = bit;
        p.endianLength = (bit + s.length + 7) / 8;
    } else {
        // The most significant bit is bit `bit` of the first byte; the bits below it run on
        // into the following bytes, the least significant one in the last byte.
        const int below = std::max(0, s.length - 1 - bit);
        p.endianLength = 1 + (below + 7) / 8;
        p.startBit = (p.endianLength - 1) * 8 + bit - (s.length - 1);
    }
    return p;
}

}  // namespace

std::uint32_t ExtractSignal(const CanMessage& d, std::span<const std::uint8_t> frame) {
    std::uint64_t joined = 0;
    for (int i = 0; i < d.EndianLength && i < kFrameBytes; ++i) {
        const std::size_t at = static_cast<std::size_t>(d.StartByte) + static_cast<std::size_t>(i);
        const std::uint64_t byte = at < frame.size() ? frame[at] : 0;
        if (d.BigEndian)
            joined = (joined << 8) | byte;
        else
            joined |= byte << (8 * i);
    }
    const int bits = std::min<int>(d.BitLength, 32);
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    return static_cast<std::uint32_t>((joined >> d.StartBit) & mask);
}

std::string IdentifierText(const DbcMessage& message) {
    return Hex(message.id) + " (" + std::to_string(message.id) + ")" +
           (message.extended ? ", extended" : "");
}

std::string MapUnit(const std::string& dbcUnit) {
    static const std::vector<std::pair<std::vector<std::string_view>, std::string_view>> kMap = {
        {{"%", "pct", "percent"}, "%"},
        {{"rpm", "1/min", "rev/min", "u/min", "r/min"}, "RPM"},
        {{"°c", "degc", "deg c", "deg_c", "c", "cel", "celsius", "degrees c", "degree c",
          "degreesc", "degreec"},
         "°C"},
        {{"°f", "degf", "deg f", "deg_f", "f", "fahrenheit", "degrees f", "degree f"}, "°F"},
        {{"mph", "mi/h"}, "MPH"},
        {{"km/h", "kph", "kmh", "km/hr", "kmph"}, "KPH"},
        {{"kpa", "kilopascal", "kilopascals"}, "kPa"},
        {{"psi"}, "PSI"},
        {{"g/s", "g/sec", "gps"}, "g/sec"},
        {{"lbs/hr", "lb/hr", "lb/h", "lbs/h"}, "lbs/hr"},
        {{"n·m", "nm", "n.m", "n*m", "n-m"}, "N·m"},
        {{"ft·lb", "ftlb", "ft-lb", "ft.lb", "ft*lb", "lb·ft", "lbft", "lb-ft", "lbf·ft"}, "ft·lb"},
        {{"l", "liter", "litre", "liters", "litres"}, "l"},
        {{"gal", "gallon", "gallons"}, "gal"},
    };
    const std::string unit = Lower(Trimmed(dbcUnit));
    for (const auto& [names, tool] : kMap)
        if (std::find(names.begin(), names.end(), unit) != names.end()) return std::string(tool);
    return kNone;
}

SignalImport ConvertSignal(const DbcMessage& m, const DbcSignal& s) {
    SignalImport r;
    const auto refuse = [&r](std::string reason) {
        r.reason = std::move(reason);
        return r;
    };
    if (m.length > kFrameBytes)
        return refuse("the message has " + std::to_string(m.length) +
                      " data bytes; the module reads frames of at most 8");
    if (!m.extended && m.id > 0x7FF)
        return refuse("identifier " + Hex(m.id) + " is not a standard (11-bit) identifier");
    // A definition's identifier is extended by its number of digits: 5 or more.
    if (m.extended && m.id <= 0xFFFF)
        return refuse("extended identifier " + Hex(m.id) +
                      " has fewer than 5 hexadecimal digits and would be read as a standard one");
    if (s.multiplexed())
        return refuse("multiplexed: present only when the multiplexor holds " +
                      std::to_string(s.multiplexValue));
    if (s.isSigned) return refuse("signed: the module reads unsigned values");
    if (s.length > kLongestSignal)
        return refuse(std::to_string(s.length) + " bits long: the module reads at most 16");
    const Position p = PositionOf(s);
    if (p.startByte + p.endianLength > m.length)
        return refuse("lies beyond the message's " + std::to_string(m.length) + " data bytes");
    if (s.factor == 0) return refuse("factor 0");
    // A definition's offset is whole. Rounding it moves every value by the difference, which
    // is harmless only within half a raw step; "+ 0.0" keeps a rounded -0.4 from reading "-0".
    const double offset = std::round(s.offset) + 0.0;
    if (offset < std::numeric_limits<std::int32_t>::min() ||
        offset > std::numeric_limits<std::int32_t>::max())
        return refuse("offset " + ShortestText(s.offset) + " is beyond a whole 32-bit number");
    if (std::fabs(s.offset - offset) > std::fabs(s.factor) / 2)
        return refuse("offset " + ShortestText(s.offset) +
                      " is not a whole number: rounding it to " + ShortestText(offset) +
                      " would move every value by more than half a raw step (" +
                      ShortestText(std::fabs(s.factor) / 2) + ")");
    if (offset != s.offset)
        r.notes.push_back("offset " + ShortestText(s.offset) + " rounded to " +
                          ShortestText(offset));

    CanMessage& d = r.definition;
    d.CanId = static_cast<std::int32_t>(m.id);
    d.Name = s.name;
    const std::string comment = OneLine(s.comment);
    d.Description = comment.empty() ? m.name + " " + s.name : comment;
    d.DataLength = static_cast<std::uint8_t>(m.length);
    d.StartByte = static_cast<std::uint8_t>(p.startByte);
    d.StartBit = static_cast<std::uint8_t>(p.startBit);
    d.BitLength = static_cast<std::uint8_t>(s.length);
    d.BigEndian = s.motorola;
    d.EndianLength = static_cast<std::uint8_t>(p.endianLength);
    d.Offset = static_cast<std::int32_t>(offset);
    d.Multiplier = s.factor;
    d.Unit = MapUnit(s.unit);
    if (d.Unit == kNone && !Trimmed(s.unit).empty())
        r.notes.push_back("unit \"" + s.unit + "\" is not one of the tool's units: None");
    r.importable = true;
    return r;
}

// ---------------------------------------------------------------------------------------
// The import list

DbcImportList::DbcImportList(const DbcFile& file) : file_(file) {
    for (std::size_t m = 0; m < file.messages.size(); ++m) {
        firstRow_.push_back(static_cast<int>(rows_.size()));
        const DbcMessage& message = file.messages[m];
        for (std::size_t s = 0; s < message.signalList.size(); ++s)
            rows_.push_back({static_cast<int>(m), static_cast<int>(s),
                             ConvertSignal(message, message.signalList[s]), false});
    }
    firstRow_.push_back(static_cast<int>(rows_.size()));
    messageMatches_.assign(file.messages.size(), true);
}

std::vector<int> DbcImportList::RowsOf(int message) const {
    std::vector<int> rows;
    const auto m = static_cast<std::size_t>(message);
    for (int r = firstRow_[m]; r < firstRow_[m + 1]; ++r) rows.push_back(r);
    return rows;
}

bool DbcImportList::Matches(const std::string& text) const {
    return Lower(text).find(filter_) != std::string::npos;
}

void DbcImportList::SetFilter(const std::string& filter) {
    filter_ = Lower(Trimmed(filter));
    for (std::size_t m = 0; m < file_.messages.size(); ++m) {
        const DbcMessage& message = file_.messages[m];
        messageMatches_[m] = Matches(message.name) || Matches(Lower(IdentifierText(message)));
    }
}

bool DbcImportList::RowShown(int row) const {
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (messageMatches_[static_cast<std::size_t>(r.message)]) return true;
    const DbcSignal& s = file_.messages[static_cast<std::size_t>(r.message)]
                             .signalList[static_cast<std::size_t>(r.signal)];
    return Matches(s.name) || Matches(s.unit) || Matches(s.comment);
}

bool DbcImportList::MessageShown(int message) const {
    if (messageMatches_[static_cast<std::size_t>(message)]) return true;
    for (int r : RowsOf(message))
        if (RowShown(r)) return true;
    return false;
}

void DbcImportList::SetChecked(int row, bool checked) {
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (r.import.importable) r.checked = checked;
}

void DbcImportList::SetMessageChecked(int message, bool checked) {
    for (int r : RowsOf(message))
        if (RowShown(r)) SetChecked(r, checked);
}

void DbcImportList::CheckAll() {
    for (std::size_t r = 0; r < rows_.size(); ++r) SetChecked(static_cast<int>(r), true);
}

int DbcImportList::CheckedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.checked; }));
}

std::vector<CanMessage> DbcImportList::Chosen() const {
    std::vector<CanMessage> chosen;
    for (const Row& r : rows_)
        if (r.checked) chosen.push_back(r.import.definition);
    return chosen;
}

bool UserLibraryHasRoom(const LibrarySet& set, std::size_t more) {
    std::size_t held = 0;
    for (const CanLibrary& library : set.MessageLibraries)
        if (Trimmed(library.Name) == kUserDefinedName) {
            held = library.Messages.size();
            break;
        }
    return held + more <= static_cast<std::size_t>(limits::kLibraryMessages);
}

std::vector<std::string> AddToUserLibrary(LibrarySet& set, const std::vector<CanMessage>& chosen) {
    if (!FindUserDefinedLibrary(set)) {
        set.MessageLibraries.push_back(NewLibrary(kUserDefinedName));
        FindUserDefinedLibrary(set);
    }
    CanLibrary& library = set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)];
    std::set<std::string> taken;
    for (const CanMessage& m : library.Messages) taken.insert(Trimmed(m.Name));
    // The number to try next for a name, so many equal names cost no more than distinct ones.
    std::unordered_map<std::string, int> next;
    std::vector<std::string> names;
    for (CanMessage m : chosen) {
        std::string base = Trimmed(FixedText(m.Name, canwidth::Name));
        if (base.empty()) base = "Signal";
        std::string name = base;
        if (taken.count(name)) {
            int& n = next.try_emplace(base, 2).first->second;
            do {
                const std::string suffix = " " + std::to_string(n++);
                name = Trimmed(FixedText(base, canwidth::Name - suffix.size())) + suffix;
            } while (taken.count(name));
        }
        taken.insert(name);
        names.push_back(name);
        m.Name = FixedText(name, canwidth::Name);
        m.Description = FixedText(m.Description, canwidth::Description);
        m.Unit = FixedText(m.Unit, canwidth::Unit);
        library.Messages.push_back(std::move(m));
    }
    if (!chosen.empty()) set.LibrariesChanged = true;
    return names;
}

}  // namespace vx42
