// The rules of the user-defined message editor.
#include "can/message_editor.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "can/hex_text.h"
#include "can/library_files.h"

namespace vx42 {

const std::array<const char*, kMessageFields> kFieldCaptions = {
    "Name",
    "Description",
    "CAN ID",
    "Data Length",
    "Byte # (0 - 7)",
    "Bit Length  (1 - 16)",
    "Start Bit # (0 - 7)",
    "Multiplier",
    "Offset",
    "Endianess Length in Bytes",
};

namespace {

std::string WithoutSpaces(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out += c;
    return out;
}

std::string WholeText(double value) {
    return std::to_string(static_cast<int>(value));
}

bool FitsInt32(double value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

// A Multiplier or Offset text read whole: blanks removed, then a plain decimal number and
// nothing else. Anything else, a comma included, is no number.
std::optional<double> WholeFieldNumber(std::string_view text) {
    return ReadNumber(text, {.blanksInside = true});
}

std::uint8_t* CountField(CanMessage& m, int field) {
    switch (field) {
        case kFieldDataLength:
            return &m.DataLength;
        case kFieldStartByte:
            return &m.StartByte;
        case kFieldBitLength:
            return &m.BitLength;
        case kFieldStartBit:
            return &m.StartBit;
        case kFieldEndianLength:
            return &m.EndianLength;
        default:
            return nullptr;
    }
}

template <typename T>
StoreResult Assign(T& field, const T& value) {
    if (field == value) return StoreResult::Unchanged;
    field = value;
    return StoreResult::Changed;
}

// A fixed-width text compared as the file holds it (padded), so padding alone is no change.
StoreResult AssignText(std::string& field, std::string_view text, std::size_t width) {
    const std::string value = FixedText(text, width);
    if (FixedText(field, width) == value) return StoreResult::Unchanged;
    field = value;
    return StoreResult::Changed;
}

}  // namespace

std::optional<FieldRange> RangeOf(int field) {
    switch (field) {
        case kFieldDataLength:
            return FieldRange{0, 8};
        case kFieldStartByte:
            return FieldRange{0, 7};
        case kFieldBitLength:
            return FieldRange{1, 16};
        case kFieldStartBit:
            return FieldRange{0, 7};
        case kFieldEndianLength:
            return FieldRange{1, 8};
        default:
            return std::nullopt;
    }
}

int MaxLengthOf(int field) {
    switch (field) {
        case kFieldName:
            return static_cast<int>(canwidth::Name);
        case kFieldDescription:
            return static_cast<int>(canwidth::Description);
        case kFieldCanId:
            return 8;
        case kFieldDataLength:
        case kFieldStartByte:
        case kFieldStartBit:
            return 1;
        case kFieldBitLength:
            return 2;
        default:
            return 0;
    }
}

bool FieldInRange(int field, std::string_view text) {
    const auto range = RangeOf(field);
    if (!range) return true;
    const double v = TypedNumber(text);
    return v >= range->min && v <= range->max;
}

std::string ClampFieldText(int field, std::string_view text) {
    const auto range = RangeOf(field);
    if (!range) return std::string(text);
    double v = RoundHalfEven(TypedNumber(text));
    if (v > range->max) v = range->max;
    if (v < range->min) v = range->min;
    return WholeText(v);
}

FieldTexts MessageFieldTexts(const CanMessage& m) {
    FieldTexts t;
    t[kFieldName] = Trimmed(m.Name);
    t[kFieldDescription] = Trimmed(m.Description);
    t[kFieldCanId] = CanIdHex(m.CanId);
    const auto clamped = [](int field, int value) {
        return ClampFieldText(field, std::to_string(value));
    };
    t[kFieldDataLength] = clamped(kFieldDataLength, m.DataLength);
    t[kFieldStartByte] = clamped(kFieldStartByte, m.StartByte);
    t[kFieldBitLength] = clamped(kFieldBitLength, m.BitLength);
    t[kFieldStartBit] = clamped(kFieldStartBit, m.StartBit);
    t[kFieldMultiplier] = ShortestText(m.Multiplier);
    t[kFieldOffset] = std::to_string(m.Offset);
    t[kFieldEndianLength] = std::to_string(m.EndianLength);
    return t;
}

StoreResult StoreField(CanMessage& m, int field, std::string_view text) {
    switch (field) {
        case kFieldName:
            return AssignText(m.Name, text, canwidth::Name);
        case kFieldDescription:
            return AssignText(m.Description, text, canwidth::Description);
        case kFieldCanId: {
            const auto id = ParseHex32(WithoutSpaces(text));
            if (!id) return StoreResult::Refused;
            return Assign(m.CanId, static_cast<std::int32_t>(*id));
        }
        case kFieldMultiplier: {
            // A text that is no number is refused, never stored as 0.
            const auto v = WholeFieldNumber(text);
            if (!v) return StoreResult::Refused;
            return Assign(m.Multiplier, *v);
        }
        case kFieldOffset: {
            const auto v = WholeFieldNumber(text);
            if (!v || !FitsInt32(RoundHalfEven(*v))) return StoreResult::Refused;
            return Assign(m.Offset, static_cast<std::int32_t>(RoundHalfEven(*v)));
        }
        default:
            break;
    }
    std::uint8_t* count = CountField(m, field);
    const auto range = RangeOf(field);
    if (!count || !range) return StoreResult::Refused;
    const double v = RoundHalfEven(TypedNumber(text));
    if (v < range->min || v > range->max) return StoreResult::Refused;
    return Assign(*count, static_cast<std::uint8_t>(v));
}

std::array<bool, kMessageFields> FieldErrors(const FieldTexts& texts) {
    std::array<bool, kMessageFields> errors{};
    for (int f = 0; f < kMessageFields; ++f) errors[f] = Trimmed(texts[f]).empty();
    if (Trimmed(texts[kFieldName]) == kNewMessageName) errors[kFieldName] = true;
    if (!ParseHex32(WithoutSpaces(texts[kFieldCanId]))) errors[kFieldCanId] = true;
    if (!WholeFieldNumber(texts[kFieldMultiplier])) errors[kFieldMultiplier] = true;
    const auto offset = WholeFieldNumber(texts[kFieldOffset]);
    if (!offset || !FitsInt32(RoundHalfEven(*offset))) errors[kFieldOffset] = true;
    return errors;
}

bool AnyError(const std::array<bool, kMessageFields>& errors) {
    for (bool e : errors)
        if (e) return true;
    return false;
}

// ---------------------------------------------------------------------------------------
// The "User Defined" library

UserLibraryEditor::Opening UserLibraryEditor::Open() {
    if (!FindUserDefinedLibrary(set_)) {
        set_.MessageLibraries.push_back(NewLibrary(kUserDefinedName));
        FindUserDefinedLibrary(set_);
    }
    order_.clear();
    readOnly_ = false;
    if (library().Messages.empty()) return Opening::Empty;
    readOnly_ = library().Version != "C002";
    if (readOnly_) return Opening::Invalid;
    Sort();
    return Opening::Editable;
}

CanLibrary& UserLibraryEditor::library() {
    return set_.MessageLibraries.at(static_cast<std::size_t>(set_.UserDefinedIndex));
}

int UserLibraryEditor::count() const {
    if (set_.UserDefinedIndex < 0) return 0;
    return set_.MessageLibraries.at(static_cast<std::size_t>(set_.UserDefinedIndex)).MessageCount();
}

void UserLibraryEditor::Sort() {
    std::vector<std::string> names;
    for (const auto& m : library().Messages) names.push_back(m.Name);
    order_ = SortOrder(names);
}

std::vector<std::string> UserLibraryEditor::Items() const {
    std::vector<std::string> items;
    const auto& messages =
        set_.MessageLibraries.at(static_cast<std::size_t>(set_.UserDefinedIndex)).Messages;
    for (int i : order_) items.push_back(Trimmed(messages[static_cast<std::size_t>(i)].Name));
    return items;
}

CanMessage* UserLibraryEditor::At(int position) {
    if (position < 0 || position >= static_cast<int>(order_.size())) return nullptr;
    const int index = order_[static_cast<std::size_t>(position)];
    if (index >= count()) return nullptr;
    return &library().Messages[static_cast<std::size_t>(index)];
}

int UserLibraryEditor::PositionOfIndex(int index) const {
    for (std::size_t p = 0; p < order_.size(); ++p)
        if (order_[p] == index) return static_cast<int>(p);
    return -1;
}

int UserLibraryEditor::AddNew() {
    addingNew_ = true;
    CanMessage m;
    m.Name = FixedText(kNewMessageName, canwidth::Name);
    m.BitLength = 1;  // what its field shows (the lowest of 1 to 16), so what is saved
    m.Description = FixedText("", canwidth::Description);
    m.Unit = FixedText("", canwidth::Unit);
    library().Messages.push_back(m);
    Sort();
    return PositionOfIndex(count() - 1);
}

void UserLibraryEditor::CancelAdd() {
    addingNew_ = false;
    if (!library().Messages.empty()) library().Messages.pop_back();
    Sort();
}

void UserLibraryEditor::Delete(int position) {
    set_.LibrariesChanged = true;
    if (position < 0 || position >= static_cast<int>(order_.size())) return;
    if (count() > 1)
        DeleteUserDefinedMessage(set_, order_[static_cast<std::size_t>(position)]);
    else
        library().Messages.clear();
    Sort();
}

bool UserLibraryEditor::Save(const std::string& folder) {
    const std::string version = library().Version;
    library().Version = "C002";
    if (!SaveUserDefinedLibrary(set_, folder)) {
        library().Version = version;
        set_.LibrariesChanged = true;
        return false;
    }
    addingNew_ = false;
    Sort();
    return true;
}

bool UserLibraryEditor::SetBigEndian(CanMessage& m, bool bigEndian) {
    if (m.BigEndian == bigEndian) return false;
    m.BigEndian = bigEndian;
    set_.LibrariesChanged = true;
    return true;
}

bool UserLibraryEditor::SetUnit(CanMessage& m, std::string_view unit) {
    if (Trimmed(m.Unit) == Trimmed(unit)) return false;
    m.Unit = FixedText(unit, canwidth::Unit);
    set_.LibrariesChanged = true;
    return true;
}

bool UserLibraryEditor::SetClearRtr(CanMessage& m, bool clearRtr) {
    if (m.ClearRtr == clearRtr) return false;
    m.ClearRtr = clearRtr;
    set_.LibrariesChanged = true;
    return true;
}

}  // namespace vx42
