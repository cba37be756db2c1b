#pragma once
// The rules of the user-defined message editor: the ten edit fields with their limits,
// colours and clamps, how a field's text is stored into a message, the validation before a
// message is left or saved, and the editing of the "User Defined" library (list order, add,
// cancel add, delete, save). No window code: the editor window only maps controls onto these.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "can/can_message.h"

namespace vx42 {

// The edit fields, in the order of the editor's text boxes (txtEditMess).
enum MessageField : int {
    kFieldName,
    kFieldDescription,
    kFieldCanId,
    kFieldDataLength,
    kFieldStartByte,
    kFieldBitLength,
    kFieldStartBit,
    kFieldMultiplier,
    kFieldOffset,
    kFieldEndianLength,
};
constexpr int kMessageFields = 10;
using FieldTexts = std::array<std::string, kMessageFields>;

constexpr const char* kNewMessageName = "New Message";
constexpr const char* kBigEndianItem = "Big-Endian";
constexpr const char* kLittleEndianItem = "Little-Endian";
constexpr const char* kFieldsInError =
    "All fields highlighted in red have missing or incorrect data.\r\nPlease correct all errors "
    "before clicking save or changing the selected message.";
constexpr const char* kInvalidUserDefinedFile = "Invalid User Defined File.\r\n";

// The caption of each field's label.
extern const std::array<const char*, kMessageFields> kFieldCaptions;

struct FieldRange {
    int min = 0;
    int max = 0;
};
// The range of a numeric field (Data Length, Byte #, Bit Length, Start Bit, Endianess
// Length); nothing for the others.
std::optional<FieldRange> RangeOf(int field);
// The most characters a field takes (0: no limit).
int MaxLengthOf(int field);

// While typing: a ranged field's text is shown black when its value lies in the range, red
// otherwise. Fields without a range are always in range.
bool FieldInRange(int field, std::string_view text);
// On leaving a ranged field: its value rounded to a whole number and clamped to the range,
// as text. Other fields' texts are returned unchanged.
std::string ClampFieldText(int field, std::string_view text);

// The texts the fields show for a message (ranged counts clamped; the unit, byte order and
// RTR flag are shown by their own controls).
FieldTexts MessageFieldTexts(const CanMessage& message);

enum class StoreResult {
    Unchanged,  // the text gives the value the message holds
    Changed,    // stored
    Refused,    // the text cannot be stored (not hexadecimal, out of range): nothing stored
};
// Converts a field's text and stores it into the message when it differs. Texts are cut or
// padded to their widths; ranged fields must have been clamped first (a value outside the
// range is refused).
StoreResult StoreField(CanMessage& message, int field, std::string_view text);

// Which fields are in error: empty, a name still "New Message", an identifier that is not
// 1 to 8 hexadecimal digits, a multiplier or offset that is not a number, an offset outside
// the 32-bit range.
std::array<bool, kMessageFields> FieldErrors(const FieldTexts& texts);
bool AnyError(const std::array<bool, kMessageFields>& errors);

// The "User Defined" library as the editor changes it. LibrariesChanged of the set is the
// editor's unsaved-edits flag.
class UserLibraryEditor {
  public:
    explicit UserLibraryEditor(LibrarySet& set) : set_(set) {}

    enum class Opening {
        Editable,  // a "C002" library with messages: listed and editable
        Empty,     // no messages (a missing library is created empty): nothing to edit
        Invalid,   // messages of another version: shown read-only
    };
    // Makes sure the library exists, then says how the editor opens; sorts the list.
    Opening Open();

    CanLibrary& library();
    int count() const;
    // List position to message index, by trimmed name (equal names in library order).
    const std::vector<int>& order() const { return order_; }
    void Sort();
    // The trimmed names in list order.
    std::vector<std::string> Items() const;
    // The message at a list position; null outside the list.
    CanMessage* At(int position);
    int PositionOfIndex(int index) const;

    bool addingNew() const { return addingNew_; }
    bool changed() const { return set_.LibrariesChanged; }
    void MarkChanged() { set_.LibrariesChanged = true; }
    // Whether Save has something to save: unsaved edits of a library that holds messages and
    // did not open read-only. An empty library (none on disk, or its only message deleted)
    // or one of another version has nothing to save, whatever the flag says.
    bool HasSomethingToSave() const { return changed() && count() > 0 && !readOnly_; }

    // Appends "New Message" (Bit Length 1, as its field shows; every other field zero, empty
    // or false) and returns its list position.
    int AddNew();
    // Removes the message added last.
    void CancelAdd();
    // Deletes the message at a list position; the only message leaves the library empty.
    void Delete(int position);
    // Writes the library to its file in the folder. On success the library is saved ("C002",
    // no unsaved edits, no longer adding); on failure nothing changes and false is returned.
    bool Save(const std::string& folder);

    // Byte order, unit and RTR flag of a message; true when the value changed (and marks the
    // library changed).
    bool SetBigEndian(CanMessage& message, bool bigEndian);
    bool SetUnit(CanMessage& message, std::string_view unit);
    bool SetClearRtr(CanMessage& message, bool clearRtr);

  private:
    LibrarySet& set_;
    std::vector<int> order_;
    bool addingNew_ = false;
    bool readOnly_ = false;  // opened Invalid
};

}  // namespace vx42
