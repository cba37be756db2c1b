// The library and message lists of the output tab.
#include "ui/output/output_messages.h"

#include "can/message_selection.h"

namespace vx42 {

OutputMessages::OutputMessages(const LibrarySet& set)
    : set_(set), lists_(std::make_unique<MessageLists>(set)) {}

OutputMessages::~OutputMessages() = default;

void OutputMessages::Rebuild() {
    lists_->Rebuild();
}

std::vector<std::string> OutputMessages::LibraryItems() const {
    return lists_->LibraryItems();
}
std::vector<std::string> OutputMessages::MessageItems(int reference) const {
    return lists_->MessageItems(reference);
}
int OutputMessages::LibraryPosition(int reference) const {
    return lists_->LibraryPosition(reference);
}
int OutputMessages::MessagePosition(int reference) const {
    return lists_->MessagePosition(reference);
}

void OutputMessages::ChooseLibrary(int reference, int position) {
    lists_->ChooseLibrary(reference, position);
}
void OutputMessages::ChooseMessage(int reference, int position) {
    lists_->ChooseMessage(reference, position);
}

void OutputMessages::ShowMessageSelection(const CalImage& image, int output, int reference) {
    lists_->ShowMessageSelection(image, output, reference);
}

void OutputMessages::StoreSelection(EditTarget& target, int output, int reference) const {
    StoreMessageSelection(target, set_, output, reference, lists_->SelectedLibrary(reference),
                          lists_->SelectedMessage(reference));
}

FormatContext OutputMessages::Format(const UnitFlags& units) const {
    return lists_->Format(units);
}

std::optional<int> OutputMessages::PrimaryBitLength() const {
    const CanMessage* message = lists_->SelectedMessage(0);
    if (!message) return std::nullopt;
    return message->BitLength;
}

}  // namespace vx42
