#pragma once
// Picking a message for an output's primary or secondary data source: the library and
// message lists of the output tab as a model, storing a choice into the calibration image
// (and the module while online), finding a stored choice again, the captions of the CAN data,
// and the check that every stored message is defined in a loaded library.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "calibration/edit_target.h"
#include "calibration/units.h"
#include "calibration/value_format.h"
#include "can/can_message.h"

namespace vx42 {

class Prompt;

// The lists of one output tab: for each data source (0 = primary, 1 = secondary) a library
// list and a message list, both starting with "None". The model refers to the libraries it
// was built from; rebuild it whenever they change.
class MessageLists {
  public:
    explicit MessageLists(const LibrarySet& set);

    // The library lists anew (sorted, "None" shown) and both message lists emptied.
    void Rebuild();

    // List position after "None" to library index, and per data source to message index.
    const std::vector<int>& LibraryOrder() const { return libraryOrder_; }
    const std::vector<int>& MessageOrder(int reference) const;

    // "None", then the trimmed library names in list order.
    std::vector<std::string> LibraryItems() const;
    // "None", then the trimmed message names of the chosen library in list order (messages
    // named "None" are not listed).
    std::vector<std::string> MessageItems(int reference) const;

    // Positions in the lists (0 = "None").
    int LibraryPosition(int reference) const;
    int MessagePosition(int reference) const;

    // Choosing a library fills its message list with "None" selected.
    void ChooseLibrary(int reference, int position);
    void ChooseMessage(int reference, int position);
    // By text, as the lists take a text: false (nothing changed) when the list does not
    // hold it.
    bool ChooseLibrary(int reference, const std::string& name);
    bool ChooseMessage(int reference, const std::string& name);

    // The chosen library and message; null while a list shows "None".
    const CanLibrary* SelectedLibrary(int reference) const;
    const CanMessage* SelectedMessage(int reference) const;

    // The scaling of both data sources' chosen messages.
    FormatContext Format(const UnitFlags& units) const;

    // Shows the library and message names stored for the data source of the output (when
    // its MessageSlot is 1 to 8); an empty name shows "None"; a name the lists do not hold
    // leaves them as they are.
    void ShowMessageSelection(const CalImage& image, int output, int reference);

  private:
    struct Source {
        int library = 0;
        int message = 0;
        std::vector<int> order;  // message list position after "None" to message index
    };
    const CanLibrary* Library(int reference) const;

    const LibrarySet& set_;
    std::vector<int> libraryOrder_;
    std::array<Source, 2> sources_;
};

// Stores the choice for the output's data source into message slot 2 x output + reference,
// each piece stored then written, in this order: library name (16 + 8 bytes), message name
// (16 + 8), description (5 x 16), byte order, unit, multiplier, offset, endianness length,
// the data source's slot number, start byte, start bit and bit length, the identifier, the
// data length. A null library or message stores "None": names "None", an empty
// description, identifier 0; the other fields then come from the first message of the first
// library, and are left as they are when there is none.
void StoreMessageSelection(EditTarget& target, const LibrarySet& set, int output, int reference,
                           const CanLibrary* library, const CanMessage* message);

// The definition stored in the slot that the output's data source names, as a message;
// nothing when the data source names no slot (MessageSlot not 1 to 8).
std::optional<CanMessage> MessageFromSlot(const CalImage& image, int output, int reference);
// Appends that definition to the "Undefined Index" library, creating the library when it is
// not there. Returns false (nothing added) when the data source names no slot.
bool RebuildMessageFromSlot(LibrarySet& set, const CalImage& image, int output, int reference);

// After a calibration was loaded: every stored message name that no loaded library defines
// is added to the "Undefined Index" library (created when needed) and the user is warned
// once. Returns true when a message was added.
bool CheckUndefinedMessages(LibrarySet& set, const CalImage& image, Prompt& prompt);

}  // namespace vx42
