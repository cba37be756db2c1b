#pragma once
// The library and message lists of the output tab as the page uses them: filled from the
// loaded libraries in sorted order, the stored selection found again, a choice stored into
// the image and the module, and the scaling of the chosen messages.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/edit_target.h"
#include "calibration/units.h"
#include "calibration/value_format.h"

namespace vx42 {

class MessageLists;
struct LibrarySet;

class OutputMessages {
  public:
    explicit OutputMessages(const LibrarySet& set);
    ~OutputMessages();

    // The lists anew from the libraries (after they changed).
    void Rebuild();

    // "None" first, then the names in list order.
    std::vector<std::string> LibraryItems() const;
    std::vector<std::string> MessageItems(int reference) const;
    int LibraryPosition(int reference) const;
    int MessagePosition(int reference) const;

    void ChooseLibrary(int reference, int position);
    void ChooseMessage(int reference, int position);
    // The stored library and message names of the output's data source, when it names a slot.
    void ShowMessageSelection(const CalImage& image, int output, int reference);

    // Stores the chosen message of the data source (or "None") into its slot.
    void StoreSelection(EditTarget& target, int output, int reference) const;

    // The scaling of both data sources' chosen messages.
    FormatContext Format(const UnitFlags& units) const;
    // The bit length of the chosen primary message; nothing while none is chosen.
    std::optional<int> PrimaryBitLength() const;

  private:
    const LibrarySet& set_;
    std::unique_ptr<MessageLists> lists_;
};

}  // namespace vx42
