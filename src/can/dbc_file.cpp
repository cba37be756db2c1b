// CAN database (.dbc) files read statement by statement, problems kept per line.
#include "can/dbc_file.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <unordered_map>

#include "base/numbers.h"
#include "base/result.h"
#include "base/trim.h"
#include "base/utf8.h"
#include "calibration/text_codec.h"
#include "files/file_io.h"

namespace vx42 {

namespace {

// What a line or a statement carries after its end and is not part of it.
constexpr std::string_view kLineEndBlanks = " \t\r";

// A statement being read: one line, or several while a quoted text runs on. A part that cannot
// be read throws its Failure to the loop over the statements, which records it as a problem of
// the statement's line.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : s_(text) {}

    void SkipSpace() {
        while (p_ < s_.size() && Blank(s_[p_])) ++p_;
    }
    bool AtEnd() {
        SkipSpace();
        return p_ >= s_.size();
    }
    bool Peek(char c) {
        SkipSpace();
        return p_ < s_.size() && s_[p_] == c;
    }
    bool Take(char c) {
        if (!Peek(c)) return false;
        ++p_;
        return true;
    }
    void Expect(char c, const char* what) {
        if (!Take(c)) throw Failure{std::string("expected ") + what};
    }
    // A run of characters up to a blank or one of the stop characters.
    std::string_view Word(std::string_view stops = "") {
        SkipSpace();
        const std::size_t from = p_;
        while (p_ < s_.size() && !Blank(s_[p_]) && stops.find(s_[p_]) == std::string_view::npos)
            ++p_;
        return s_.substr(from, p_ - from);
    }
    std::string_view Name(const char* what, std::string_view stops = ":;,") {
        const std::string_view w = Word(stops);
        if (w.empty()) throw Failure{std::string("no ") + what};
        return w;
    }
    template <typename T>
    T Integer(const char* what) {
        SkipSpace();
        const auto number = ReadIntegerAt(s_.substr(p_));
        if (!number || number->value < std::numeric_limits<T>::min() ||
            number->value > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
            throw Failure{std::string("no ") + what};
        p_ += number->length;
        return static_cast<T>(number->value);
    }
    double Number(const char* what) {
        SkipSpace();
        const auto number = ReadNumberAt(s_.substr(p_));
        if (!number) throw Failure{std::string("no ") + what};
        p_ += number->length;
        return number->value;
    }
    // A quoted text; \" and \\ stand for themselves.
    std::string Quoted(const char* what) {
        if (!Take('"')) throw Failure{std::string("no ") + what};
        std::string out;
        while (p_ < s_.size() && s_[p_] != '"') {
            if (s_[p_] == '\\' && p_ + 1 < s_.size() && (s_[p_ + 1] == '"' || s_[p_ + 1] == '\\'))
                ++p_;
            out += s_[p_++];
        }
        if (p_ >= s_.size()) throw Failure{std::string(what) + " is not closed"};
        ++p_;
        return DbcText(out);
    }
    std::string_view Rest() {
        SkipSpace();
        return s_.substr(p_);
    }

  private:
    static bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    std::string_view s_;
    std::size_t p_ = 0;
};

// Whether a quoted text is still open at the end of a line, given whether one was open at its
// start (escaped quotes do not count).
bool QuoteOpenAfter(std::string_view line, bool open) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (open && line[i] == '\\' && i + 1 < line.size()) {
            ++i;
            continue;
        }
        if (line[i] == '"') open = !open;
    }
    return open;
}

// raw: the identifier as the file gives it, by which comments and value tables refer to it.
DbcMessage ParseMessage(Cursor& c, std::uint32_t& raw) {
    DbcMessage m;
    raw = c.Integer<std::uint32_t>("identifier");
    m.extended = (raw & 0x80000000u) != 0;
    m.id = raw & 0x1FFFFFFFu;
    m.name = DbcText(c.Name("message name"));
    c.Expect(':', "\":\" after the message name");
    m.length = c.Integer<int>("data length");
    if (m.length < 0 || m.length > 64)
        throw Failure{"data length " + std::to_string(m.length) + " (0 to 64)"};
    m.transmitter = DbcText(c.Word());
    return m;
}

DbcSignal ParseSignal(Cursor& c) {
    DbcSignal s;
    s.name = DbcText(c.Name("signal name"));
    if (!c.Peek(':')) {
        const std::string_view mux = c.Word(":");
        if (mux == "M") {
            s.multiplexor = true;
        } else if (mux.size() >= 2 && mux[0] == 'm') {
            std::string_view digits = mux.substr(1);
            if (digits.back() == 'M') {
                s.multiplexor = true;
                digits.remove_suffix(1);
            }
            const auto value = ReadUnsigned(digits, 10, INT32_MAX);
            if (!value) throw Failure{"multiplexing mark \"" + std::string(mux) + "\""};
            s.multiplexValue = static_cast<int>(*value);
        } else {
            throw Failure{"multiplexing mark \"" + std::string(mux) + "\""};
        }
    }
    c.Expect(':', "\":\" after the signal name");
    s.startBit = c.Integer<int>("start bit");
    c.Expect('|', "\"|\" after the start bit");
    s.length = c.Integer<int>("bit length");
    c.Expect('@', "\"@\" before the byte order");
    if (c.Take('0'))
        s.motorola = true;
    else if (!c.Take('1'))
        throw Failure{std::string("byte order (@0 or @1)")};
    if (c.Take('-'))
        s.isSigned = true;
    else if (!c.Take('+'))
        throw Failure{std::string("sign (+ or -)")};
    if (s.startBit < 0 || s.startBit > 511)
        throw Failure{"start bit " + std::to_string(s.startBit) + " (0 to 511)"};
    if (s.length < 1 || s.length > 64)
        throw Failure{"bit length " + std::to_string(s.length) + " (1 to 64)"};
    c.Expect('(', "\"(\" before the factor");
    s.factor = c.Number("factor");
    c.Expect(',', "\",\" after the factor");
    s.offset = c.Number("offset");
    c.Expect(')', "\")\" after the offset");
    c.Expect('[', "\"[\" before the minimum");
    s.minimum = c.Number("minimum");
    c.Expect('|', "\"|\" after the minimum");
    s.maximum = c.Number("maximum");
    c.Expect(']', "\"]\" after the maximum");
    s.unit = c.Quoted("unit");
    while (!c.AtEnd()) {
        if (c.Take(',')) continue;
        const std::string_view r = c.Word(",");
        if (!r.empty()) s.receivers.push_back(DbcText(r));
    }
    return s;
}

// A comment or value table, applied once every message is known.
struct Reference {
    std::uint32_t rawId = 0;
    std::string signal;  // empty: the message itself
    std::string comment;
    bool isValues = false;
    std::vector<std::pair<std::int64_t, std::string>> values;
};

// CM_ BO_ id "text"; CM_ SG_ id name "text"; other comments are left aside (nothing).
std::optional<Reference> ParseComment(Cursor& c) {
    Reference r;
    if (c.Peek('"')) {
        c.Quoted("comment");  // of the whole database
        return std::nullopt;
    }
    const std::string_view kind = c.Name("comment kind");
    if (kind == "BO_" || kind == "SG_") {
        r.rawId = c.Integer<std::uint32_t>("identifier");
        if (kind == "SG_") r.signal = DbcText(c.Name("signal name"));
    } else if (kind == "BU_" || kind == "EV_") {
        c.Name("name");
    } else {
        throw Failure{"comment of \"" + std::string(kind) + "\""};
    }
    r.comment = c.Quoted("comment");
    if (kind == "BU_" || kind == "EV_") return std::nullopt;
    return r;
}

// VAL_ id signal n "text" ... ; a table of an environment variable (no identifier) is left
// aside.
std::optional<Reference> ParseValues(Cursor& c) {
    Reference r;
    r.isValues = true;
    const std::string_view first = c.Name("identifier");
    const auto id = ReadUnsigned(first, 10, UINT32_MAX);
    if (!id) return std::nullopt;
    r.rawId = static_cast<std::uint32_t>(*id);
    r.signal = DbcText(c.Name("signal name"));
    while (!c.AtEnd() && !c.Peek(';')) {
        const auto value = c.Integer<std::int64_t>("value");
        r.values.emplace_back(value, c.Quoted("value text"));
    }
    return r;
}

class Reader {
  public:
    Reader(std::string_view text, const std::string& source) : text_(text), source_(source) {}

    DbcFile Read() {
        std::vector<Reference> references;
        int lineNumber = 0;
        std::size_t at = 0;
        // Signal lines belong to the message above them.
        enum class State { None, InMessage, InDamagedMessage } state = State::None;
        while (at < text_.size()) {
            ++lineNumber;
            std::string_view statement = NextLine(at);
            const int firstLine = lineNumber;
            if (QuoteOpenAfter(statement, false)) {
                // A quoted text running over several lines: the statement ends with it.
                const std::size_t from = static_cast<std::size_t>(statement.data() - text_.data());
                std::size_t more = at;
                int lines = lineNumber;
                bool open = true;
                while (open && more < text_.size()) {
                    open = QuoteOpenAfter(NextLine(more), true);
                    ++lines;
                }
                if (open) {
                    Problem(firstLine, "a quoted text that is never closed");
                    state = State::None;
                    continue;
                }
                statement = TrimEnd(text_.substr(from, more - from), kLineEndBlanks);
                at = more;
                lineNumber = lines;
            }
            Cursor c(statement);
            const std::string_view keyword = c.Word(":");
            if (keyword.empty()) continue;  // blank lines do not end a message
            if (c.AtEnd()) {
                // A keyword alone: the list of section names after "NS_ :".
                state = State::None;
                continue;
            }
            try {
                if (keyword == "SG_") {
                    if (state == State::InMessage) {
                        if (++signals_ > limits::kDbcSignals)
                            RefuseTooMany(source_, "signals", limits::kDbcSignals);
                        file_.messages.back().signalList.push_back(ParseSignal(c));
                    } else if (state == State::None) {
                        Problem(firstLine, "a signal outside a message");
                    }  // else a signal of a damaged message, skipped with it
                    continue;
                }
                state = State::None;
                if (keyword == "BO_") {
                    if (file_.messages.size() == limits::kDbcMessages)
                        RefuseTooMany(source_, "messages", limits::kDbcMessages);
                    state = State::InDamagedMessage;  // until its header is read
                    std::uint32_t raw = 0;
                    DbcMessage m = ParseMessage(c, raw);
                    messageIndex_.try_emplace(raw, file_.messages.size());
                    file_.messages.push_back(std::move(m));
                    state = State::InMessage;
                } else if (keyword == "CM_") {
                    if (auto r = ParseComment(c)) references.push_back(std::move(*r));
                } else if (keyword == "VAL_") {
                    if (auto r = ParseValues(c)) references.push_back(std::move(*r));
                }
            } catch (const Failure& failure) {
                Problem(firstLine, std::string(Describe(keyword)) +
                                       " cannot be read: " + failure.message +
                                       (keyword == "BO_" ? " (its signals are skipped too)" : ""));
            }
        }
        Apply(references);
        return std::move(file_);
    }

  private:
    // The next line without its line end; `at` moves past it.
    std::string_view NextLine(std::size_t& at) {
        const std::size_t end = text_.find('\n', at);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
        std::string_view line = text_.substr(at, stop - at);
        at = end == std::string_view::npos ? text_.size() : end + 1;
        return TrimEnd(line, kLineEndBlanks);
    }
    static const char* Describe(std::string_view keyword) {
        if (keyword == "SG_") return "signal";
        if (keyword == "BO_") return "message";
        if (keyword == "CM_") return "comment";
        return "value table";
    }
    void Problem(int line, std::string text) {
        if (file_.problems.size() < limits::kDbcProblemsKept)
            file_.problems.push_back({line, std::move(text)});
        ++file_.problemCount;
    }
    // Comments and value tables of messages or signals the file does not define are left
    // aside, as a database tool leaves them.
    void Apply(std::vector<Reference>& references) {
        std::unordered_map<std::string, DbcSignal*> signalIndex;
        for (const auto& [raw, index] : messageIndex_)
            for (DbcSignal& s : file_.messages[index].signalList)
                signalIndex.try_emplace(std::to_string(raw) + ' ' + s.name, &s);
        for (Reference& r : references) {
            if (r.signal.empty()) {
                const auto m = messageIndex_.find(r.rawId);
                if (m != messageIndex_.end()) file_.messages[m->second].comment = r.comment;
                continue;
            }
            const auto s = signalIndex.find(std::to_string(r.rawId) + ' ' + r.signal);
            if (s == signalIndex.end()) continue;
            if (r.isValues)
                s->second->values = std::move(r.values);
            else
                s->second->comment = std::move(r.comment);
        }
    }

    std::string_view text_;
    const std::string& source_;
    DbcFile file_;
    std::unordered_map<std::uint32_t, std::size_t> messageIndex_;
    std::size_t signals_ = 0;
};

}  // namespace

std::size_t DbcFile::SignalCount() const {
    std::size_t n = 0;
    for (const DbcMessage& m : messages) n += m.signalList.size();
    return n;
}

std::string DbcText(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return FromWin1252(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

DbcFile ReadDbc(std::string_view text, const std::string& source) {
    return Reader(text, source).Read();
}

DbcFile ReadDbcFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path, limits::kDbcFileBytes);
    return ReadDbc(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                   "\"" + path + "\"");
}

}  // namespace vx42
