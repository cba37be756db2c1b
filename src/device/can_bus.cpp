// The CAN bus itself: the bit rate the module listens at and the slots' reception status.
#include "device/can_bus.h"

namespace vx42 {

std::optional<int> CanSpeedOptionIndex(unsigned kbits) {
    for (std::size_t i = 0; i < kCanSpeeds.size(); ++i)
        if (kCanSpeeds[i].kbits == kbits) return static_cast<int>(i);
    return std::nullopt;
}

std::optional<int> CanSpeedChoice::Load(const CalImage& image) {
    const auto index = CanSpeedOptionIndex(image.Word(CalAddresses().CanSpeed));
    if (index) recorded_ = *index;
    return index;
}

void CanSpeedChoice::Click(int index) {
    if (index >= 0 && index < static_cast<int>(kCanSpeeds.size())) recorded_ = index;
}

void CanSpeedChoice::Ok(EditTarget& target, bool online) const {
    const unsigned kbits = kCanSpeeds[static_cast<std::size_t>(recorded_)].kbits;
    const bool mark = !online && target.image.Word(CalAddresses().CanSpeed) != kbits;
    target.StoreAndWriteWord(CalAddresses().CanSpeed, kbits, mark);
}

const char* SlotStatusText(SlotStatus status) {
    switch (status) {
        case SlotStatus::Receiving:
            return "receiving";
        case SlotStatus::NotReceiving:
            return "not receiving";
        case SlotStatus::NotUsed:
            return "not used";
        case SlotStatus::Unchanged:
            break;
    }
    return "not read";
}

std::array<SlotStatus, kMessageSlots> CanSlotStatus(ModuleLink& link, const CalImage& image) {
    std::array<SlotStatus, kMessageSlots> shown{};
    for (int k = 0; k < kMessageSlots; ++k) {
        auto& slot = shown[static_cast<std::size_t>(k)];
        const bool secondary = k % 2 == 1;
        if (secondary && image.Byte(CalAddresses().OutputCal[k / 2].SecondaryMode) == 0) {
            slot = SlotStatus::NotUsed;
            continue;
        }
        Bytes word;
        if (!link.Read2BytesRetry(CanStatusAddress(k), word))
            slot = SlotStatus::Unchanged;
        else
            slot =
                MakeWord(word[0], word[1]) != 0 ? SlotStatus::Receiving : SlotStatus::NotReceiving;
    }
    return shown;
}

std::array<SlotStatus, kMessageSlots> CheckCanStatus(ModuleLink& link, const CalImage& image) {
    if (!link.Online()) {
        std::array<SlotStatus, kMessageSlots> unchanged;
        unchanged.fill(SlotStatus::Unchanged);
        return unchanged;
    }
    link.SettleLink();
    return CanSlotStatus(link, image);
}

std::string CanStatusLine(const std::string& time,
                          const std::array<SlotStatus, kMessageSlots>& status) {
    std::string line = time;
    for (int k = 0; k < kMessageSlots; ++k)
        line += "  " + std::to_string(k + 1) + " " + SlotStatusText(status[k]);
    return line;
}

}  // namespace vx42
