// Picking a message for an output's primary or secondary data source.
#include "can/message_selection.h"

#include <algorithm>

#include "base/prompt.h"
#include "calibration/text_codec.h"
#include "can/hex_text.h"
#include "can/library_files.h"

namespace vx42 {

namespace {

constexpr const char* kUndefinedWarning =
    "One or more variables are not defined in your current libraries. If you wish to use these "
    "variables, copy the library from the computer the file was created on to the computer you "
    "are currently using.";

int At(const std::vector<int>& order, int position) {
    return position >= 1 && position <= static_cast<int>(order.size())
               ? order[static_cast<std::size_t>(position - 1)]
               : -1;
}

// Position of the first list item equal to name, or -1.
int FindItem(const std::vector<std::string>& items, const std::string& name) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == name) return static_cast<int>(i);
    return -1;
}

// A fixed-width text field stored and written in 16-byte pieces.
void StoreTextInPieces(EditTarget& target, int address, std::string_view text, int width) {
    const auto field = ToFixedField(text, static_cast<std::size_t>(width));
    for (int done = 0; done < width; done += 16) {
        const int piece = std::min(16, width - done);
        target.StoreAndWrite(address + done,
                             std::span(field).subspan(static_cast<std::size_t>(done),
                                                      static_cast<std::size_t>(piece)));
    }
}

// Slot number stored in the output's data source (1 to 8), or 0 for none.
int StoredSlot(const CalImage& image, int output, int reference) {
    const auto& source = CalAddresses().OutputCal.at(output).DataSource.at(reference);
    const int slot = image.Byte(source.MessageSlot);
    return slot >= 1 && slot <= kMessageSlots ? slot : 0;
}

}  // namespace

MessageLists::MessageLists(const LibrarySet& set) : set_(set) {
    Rebuild();
}

void MessageLists::Rebuild() {
    libraryOrder_ = SortLibraries(set_);
    sources_ = {};
}

const std::vector<int>& MessageLists::MessageOrder(int reference) const {
    return sources_.at(reference).order;
}

std::vector<std::string> MessageLists::LibraryItems() const {
    std::vector<std::string> items{kNone};
    for (int index : libraryOrder_)
        items.push_back(Trimmed(set_.MessageLibraries.at(static_cast<std::size_t>(index)).Name));
    return items;
}

std::vector<std::string> MessageLists::MessageItems(int reference) const {
    std::vector<std::string> items{kNone};
    const CanLibrary* library = Library(reference);
    for (int index : sources_.at(reference).order)
        items.push_back(Trimmed(library->Messages.at(static_cast<std::size_t>(index)).Name));
    return items;
}

int MessageLists::LibraryPosition(int reference) const {
    return sources_.at(reference).library;
}
int MessageLists::MessagePosition(int reference) const {
    return sources_.at(reference).message;
}

const CanLibrary* MessageLists::Library(int reference) const {
    const int index = At(libraryOrder_, sources_.at(reference).library);
    return index < 0 ? nullptr : &set_.MessageLibraries.at(static_cast<std::size_t>(index));
}

void MessageLists::ChooseLibrary(int reference, int position) {
    auto& source = sources_.at(reference);
    source.library =
        position >= 0 && position <= static_cast<int>(libraryOrder_.size()) ? position : 0;
    source.message = 0;
    source.order.clear();
    const CanLibrary* library = Library(reference);
    if (!library) return;
    // The order covers exactly the listed messages, so a list position always maps to the
    // message it shows.
    std::vector<std::string> names;
    std::vector<int> listed;
    for (std::size_t i = 0; i < library->Messages.size(); ++i) {
        if (Trimmed(library->Messages[i].Name) == kNone) continue;
        names.push_back(library->Messages[i].Name);
        listed.push_back(static_cast<int>(i));
    }
    for (int k : SortOrder(names)) source.order.push_back(listed[static_cast<std::size_t>(k)]);
}

void MessageLists::ChooseMessage(int reference, int position) {
    auto& source = sources_.at(reference);
    source.message =
        position >= 0 && position <= static_cast<int>(source.order.size()) ? position : 0;
}

bool MessageLists::ChooseLibrary(int reference, const std::string& name) {
    const int position = FindItem(LibraryItems(), name);
    if (position < 0) return false;
    ChooseLibrary(reference, position);
    return true;
}

bool MessageLists::ChooseMessage(int reference, const std::string& name) {
    const int position = FindItem(MessageItems(reference), name);
    if (position < 0) return false;
    ChooseMessage(reference, position);
    return true;
}

const CanLibrary* MessageLists::SelectedLibrary(int reference) const {
    return SelectedMessage(reference) ? Library(reference) : nullptr;
}

const CanMessage* MessageLists::SelectedMessage(int reference) const {
    const CanLibrary* library = Library(reference);
    const int index = At(sources_.at(reference).order, sources_.at(reference).message);
    return library && index >= 0 ? &library->Messages.at(static_cast<std::size_t>(index)) : nullptr;
}

FormatContext MessageLists::Format(const UnitFlags& units) const {
    FormatContext ctx;
    ctx.units = units;
    for (int reference = 0; reference < 2; ++reference) {
        const CanMessage* m = SelectedMessage(reference);
        if (!m) continue;
        auto& d = ctx.data[static_cast<std::size_t>(reference)];
        d.selected = true;
        d.Multiplier = m->Multiplier;
        d.Offset = m->Offset;
        d.Unit = Trimmed(m->Unit);
    }
    return ctx;
}

void MessageLists::ShowMessageSelection(const CalImage& image, int output, int reference) {
    const int slot = StoredSlot(image, output, reference);
    if (slot == 0) return;
    const auto& def = CalAddresses().MessageDefSlot[static_cast<std::size_t>(slot - 1)];
    auto orNone = [](std::string name) { return name.empty() ? std::string(kNone) : name; };
    ChooseLibrary(reference, orNone(image.Text(def.LibraryName, width::LibraryName)));
    ChooseMessage(reference, orNone(image.Text(def.MessageName, width::MessageName)));
}

void StoreMessageSelection(EditTarget& target, const LibrarySet& set, int output, int reference,
                           const CanLibrary* library, const CanMessage* message) {
    const int s = 2 * output + reference;
    const auto& map = CalAddresses();
    const auto& def = map.MessageDefSlot.at(static_cast<std::size_t>(s));
    const auto& slot = map.MessageSlot.at(static_cast<std::size_t>(s));
    const auto& source = map.OutputCal.at(output).DataSource.at(reference);
    const bool isNone = library == nullptr || message == nullptr;

    StoreTextInPieces(target, def.LibraryName, isNone ? kNone : library->Name, width::LibraryName);
    StoreTextInPieces(target, def.MessageName, isNone ? kNone : message->Name, width::MessageName);
    StoreTextInPieces(target, def.Description, isNone ? "" : message->Description,
                      width::Description);

    // For "None" the remaining fields have no meaning of their own; they are taken from the
    // first message loaded, or left as they are.
    const CanMessage* fields = message;
    if (isNone) {
        fields = !set.MessageLibraries.empty() && !set.MessageLibraries[0].Messages.empty()
                     ? &set.MessageLibraries[0].Messages[0]
                     : nullptr;
    }
    if (fields) {
        target.StoreAndWriteByte(def.ByteOrder, fields->BigEndian ? 0xFF : 0x00);
        target.StoreAndWrite(def.Unit, ToFixedField(fields->Unit, width::Unit));
        target.StoreAndWrite(def.Multiplier, DoubleToBytes(fields->Multiplier));
        target.StoreAndWrite(def.Offset, LongToBytes(fields->Offset));
        target.StoreAndWriteByte(map.EndianLength.at(static_cast<std::size_t>(s)),
                                 fields->EndianLength);
    }
    target.StoreAndWriteByte(source.MessageSlot, static_cast<std::uint8_t>(s + 1));
    if (fields) {
        target.StoreAndWriteByte(source.ByteIndex, fields->StartByte);
        target.StoreAndWriteByte(source.StartBit, fields->StartBit);
        target.StoreAndWriteByte(source.BitLength, fields->BitLength);
    }

    std::uint32_t reg = 0;
    if (!isNone) {
        reg = ParseHex32(CanIdToModule(CanIdHex(message->CanId))).value_or(0);
        if (message->ClearRtr) reg = ClearRtrBits(reg);
    }
    const std::uint8_t id[4] = {
        static_cast<std::uint8_t>(reg >> 24), static_cast<std::uint8_t>(reg >> 16),
        static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg)};
    target.StoreAndWrite(slot.CanId, id);
    if (fields) target.StoreAndWriteByte(slot.DataLength, fields->DataLength);
}

std::optional<CanMessage> MessageFromSlot(const CalImage& image, int output, int reference) {
    const int slotNumber = StoredSlot(image, output, reference);
    if (slotNumber == 0) return std::nullopt;
    const auto s = static_cast<std::size_t>(slotNumber - 1);
    const auto& map = CalAddresses();
    const auto& def = map.MessageDefSlot[s];
    const auto& source = map.OutputCal.at(output).DataSource.at(reference);

    CanMessage m;
    const auto reg = image.CopyFromImage(ImageIndex(map.MessageSlot[s].CanId), width::CanId - 1);
    m.CanId = static_cast<std::int32_t>(ParseHex32(CanIdFromModule(BytesToHex(reg))).value_or(0));
    m.Name = image.Text(def.MessageName, width::MessageName);
    m.Description = image.Text(def.Description, width::Description);
    m.DataLength = image.Byte(map.MessageSlot[s].DataLength);
    m.StartByte = image.Byte(source.ByteIndex);
    m.StartBit = image.Byte(source.StartBit);
    m.BitLength = image.Byte(source.BitLength);
    m.BigEndian = image.Byte(def.ByteOrder) != 0;
    m.Offset = image.Long(def.Offset);
    m.Multiplier = image.Double(def.Multiplier);
    m.Unit = image.Text(def.Unit, width::Unit);
    m.EndianLength = image.Byte(map.EndianLength[s]);
    return m;
}

bool RebuildMessageFromSlot(LibrarySet& set, const CalImage& image, int output, int reference) {
    auto message = MessageFromSlot(image, output, reference);
    if (!message) return false;
    if (!FindUndefinedLibrary(set)) {
        set.MessageLibraries.push_back(NewLibrary(kUndefinedIndexName));
        FindUndefinedLibrary(set);
    }
    set.MessageLibraries[static_cast<std::size_t>(set.UndefinedIndex)].Messages.push_back(
        std::move(*message));
    return true;
}

bool CheckUndefinedMessages(LibrarySet& set, const CalImage& image, Prompt& prompt) {
    bool anyUndefined = false;
    for (int output = 0; output < kOutputs; ++output) {
        for (int reference = 0; reference < 2; ++reference) {
            const int slot = StoredSlot(image, output, reference);
            if (slot == 0) continue;
            const std::string name = image.Text(
                CalAddresses().MessageDefSlot[static_cast<std::size_t>(slot - 1)].MessageName,
                width::MessageName);
            bool defined = false;
            for (const auto& library : set.MessageLibraries) {
                for (const auto& m : library.Messages) {
                    if (Trimmed(m.Name) == name) {
                        defined = true;
                        break;
                    }
                }
                if (defined) break;
            }
            if (defined) continue;
            set.LibrariesChanged = true;
            if (name == kNone) continue;
            anyUndefined |= RebuildMessageFromSlot(set, image, output, reference);
        }
    }
    if (anyUndefined) prompt.Message(kUndefinedWarning, {}, Icon::Exclamation);
    return anyUndefined;
}

}  // namespace vx42
