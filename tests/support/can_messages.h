#pragma once
// CAN messages and libraries for the tests, a message's fields named at the call.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "can/can_message.h"

namespace vx42::test {

// The message given, with what it leaves at zero or empty filled in as a library's plain
// message: described by its name, 8 data bytes, 16 bits, two bytes in the module's order,
// scaled by 1, unit "None".
inline CanMessage LibraryMessage(CanMessage m) {
    if (m.Description.empty()) m.Description = "About " + m.Name;
    if (m.DataLength == 0) m.DataLength = 8;
    if (m.BitLength == 0) m.BitLength = 16;
    if (m.Multiplier == 0) m.Multiplier = 1;
    if (m.Unit.empty()) m.Unit = kNone;
    if (m.EndianLength == 0) m.EndianLength = 2;
    return m;
}

// A library of these messages, as the file of that name gives it.
inline CanLibrary LibraryOf(std::string_view name, std::vector<CanMessage> messages) {
    CanLibrary library = NewLibrary(name);
    library.Messages = std::move(messages);
    return library;
}

}  // namespace vx42::test
