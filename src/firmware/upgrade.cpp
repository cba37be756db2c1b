// The firmware and bootloader upgrade, and the service commands beside it.
#include "firmware/upgrade.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "calibration/converters.h"
#include "device/clock.h"
#include "files/paths.h"

namespace vx42 {
namespace {

constexpr int kBlock = 16;
constexpr const char* kUpgradeTitle = "Firmware Upgrade";

// The offset of the last block the freeze bracket writes for a boot image whose highest
// index is `highest`: the blocks run while the offset does not pass highest + 2.
int LastBootBlockOffset(int highest) {
    return (highest + 2) / kBlock * kBlock;
}

void Say(const StatusLine& status, const char* text) {
    if (status) status(text);
}

void Report(const Progress& progress, int done, int total) {
    if (progress) progress(done, total, ProgressText(done, total));
}

// A boot image holds the file's bytes and one 0x00: without a file byte there is nothing to
// install.
bool HasBootLoader(const BootImage& image) {
    return image.size() > 1;
}

// Runs `use` with the link open: the link's own connection when it has one, otherwise one
// opened for the purpose (its messages shown on failure) and closed afterwards.
template <typename Use>
auto WithLinkOpen(ModuleLink& link, Use use) -> std::optional<decltype(use())> {
    const bool openedHere = !link.DeviceOpen();
    if (openedHere && !link.OpenForUpgrade()) return std::nullopt;
    auto result = use();
    if (openedHere) {
        std::string ignored;
        link.CloseDevice(ignored);
    }
    return result;
}

UpgradeOutcome UpgradeFirmware(ModuleLink& link, const FirmwareFile& firmware,
                               const StatusLine& status, const Progress& progress) {
    if (!EnterBootloader(link)) return UpgradeOutcome::Refused;
    Say(status, upgrade_status::StartingFirmware);
    if (!SendFirmwareRecords(link, firmware, status, progress)) return UpgradeOutcome::Failed;
    Say(status, upgrade_status::SendingFinish);
    if (!link.FinishUpgradeDevice()) return UpgradeOutcome::Failed;
    Say(status, upgrade_status::SendingReset);
    if (!link.ResetUnitDevice()) return UpgradeOutcome::Failed;
    Say(status, upgrade_status::FirmwareComplete);
    return UpgradeOutcome::Complete;
}

UpgradeOutcome UpgradeBootLoader(ModuleLink& link, const BootImage& image, const StatusLine& status,
                                 const Progress& progress) {
    Say(status, upgrade_status::StartingBootLoader);
    if (!WriteBootImage(link, image, progress)) return UpgradeOutcome::Failed;
    Say(status, upgrade_status::BootLoaderComplete);
    Say(status, upgrade_status::LoadFirmwareNext);
    return UpgradeOutcome::Complete;
}

}  // namespace

UpgradeKind UpgradeKindOf(std::string_view extension) {
    std::string upper(extension);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (upper == "ROM" || upper == "RM2") return UpgradeKind::Firmware;
    if (upper == "BLU") return UpgradeKind::BootLoader;
    return UpgradeKind::None;
}

bool LoadUpgradeFile(const std::string& path, UpgradeFile& file, Prompt& prompt) {
    UpgradeFile chosen;
    chosen.folder = FolderOfPath(path);
    chosen.fileName = FileNameOfPath(path);
    chosen.extension = ExtensionOfPath(path);
    switch (UpgradeKindOf(chosen.extension)) {
        case UpgradeKind::Firmware:
            if (!ReadFirmwareFile(chosen.folder, chosen.fileName, chosen.firmware, prompt))
                return false;
            break;
        case UpgradeKind::BootLoader:
            if (!ReadBootImageFile(path, chosen.bootImage, prompt)) return false;
            break;
        case UpgradeKind::None:
            break;
    }
    file = std::move(chosen);
    return true;
}

int LargestBootLoaderFile() {
    // Whole blocks from 0x0400 that end below the first address the tool writes itself; a
    // file of L bytes is an image whose highest index is L.
    const int blocks = (address::FirstToolAddress - kCalBaseAddress) / kBlock;
    int largest = blocks * kBlock;
    while (LastBootBlockOffset(largest) + kBlock > blocks * kBlock) --largest;
    return largest;
}

std::optional<std::string> UpgradeRefusal(const UpgradeFile& file) {
    const std::string name = "\"" + file.fileName + "\"";
    switch (UpgradeKindOf(file.extension)) {
        case UpgradeKind::Firmware:
            if (FirmwareBytes(file.firmware) == 0)
                return name + " holds no firmware records; nothing was sent to the module.";
            break;
        case UpgradeKind::BootLoader: {
            const auto bytes = static_cast<std::int64_t>(file.bootImage.size()) - 1;
            if (bytes <= 0) return name + " is empty; nothing was sent to the module.";
            if (bytes > LargestBootLoaderFile())
                return name + " is " + std::to_string(bytes) + " bytes, more than the " +
                       std::to_string(LargestBootLoaderFile()) +
                       " bytes of the module's program area below its marker and freeze "
                       "addresses; nothing was sent to the module.";
            break;
        }
        case UpgradeKind::None:
            break;
    }
    return std::nullopt;
}

bool EnterBootloader(ModuleLink& link) {
    const std::uint8_t unlock[2] = {0xFF, 0xFF};
    if (!link.WriteStagedChange(address::UpgradeUnlock, unlock)) {
        // A module already waiting in its bootloader (an upgrade stopped at a block) takes no
        // writes of the running firmware; it answers "?" at once and the transfer starts again.
        if (link.SetToBootloaderDevice()) return true;
        link.prompt().Message("Error Writing Calibration Change");
        return false;
    }
    link.clock().SleepSeconds(link.timing().retryPauseMs / 1000.0);
    link.WriteMarkerCBE0();
    link.clock().SleepSeconds(link.timing().retryPauseMs / 1000.0);
    return link.SetToBootloaderDevice();
}

std::int64_t FirmwareBytes(const FirmwareFile& firmware) {
    std::int64_t total = 0;
    for (const auto& record : firmware.records)
        total += static_cast<std::int64_t>(record.data.size());
    return total;
}

bool SendFirmwareRecords(ModuleLink& link, const FirmwareFile& firmware, const StatusLine& status,
                         const Progress& progress) {
    // A firmware file is bounded by the module's 24-bit address space, so the count fits.
    const int total = static_cast<int>(FirmwareBytes(firmware));
    int count = 0;
    Report(progress, count, total);

    Bytes block;
    block.reserve(kBlock);
    const auto send = [&](std::int64_t address) {
        if (link.WriteBootBlockDevice(block, static_cast<std::uint32_t>(address))) {
            block.clear();
            Report(progress, count, total);
            return true;
        }
        Say(status, upgrade_status::FlashFailed);
        Say(status, upgrade_status::CheckConnection);
        return false;
    };

    for (const auto& record : firmware.records) {
        block.clear();
        const auto length = static_cast<std::int64_t>(record.data.size());
        for (std::int64_t k = 0; k < length; ++k) {
            block.push_back(record.data[static_cast<std::size_t>(k)]);
            ++count;
            // The block starts at the address of its first byte, 15 before this one.
            if (block.size() == kBlock && !send(record.address + k - (kBlock - 1))) return false;
        }
        if (!block.empty()) {
            const auto held = static_cast<std::int64_t>(block.size());
            block.resize(kBlock, 0xFF);
            if (!send(record.address + length - held)) return false;
        }
    }
    return true;
}

bool WriteBootImage(ModuleLink& link, const BootImage& image, const Progress& progress) {
    if (!HasBootLoader(image)) return false;
    const int total = static_cast<int>(image.size());
    const int highest = total - 1;
    // An image that would reach the marker or the freeze flags is never sent (its highest
    // index is the file's length).
    if (highest > LargestBootLoaderFile()) return false;
    // The bracket reports once per block, in order; the bar here runs to the highest index.
    int blocks = 0;
    const Progress perBlock = [&](int, int, const std::string&) {
        const int offset = kBlock * blocks++;
        if (!progress) return;
        if (offset + kBlock > highest)
            progress(highest, highest, ProgressText(total, total));
        else
            progress(offset, highest, ProgressText(offset, total));
    };
    if (!link.WriteFrozenImage(image, LastBootBlockOffset(highest), perBlock)) return false;
    return link.WriteMarker0400();
}

UpgradeOutcome StartUpgrade(ModuleLink& link, bool reuseConnection, const UpgradeFile& file,
                            const StatusLine& status, const Progress& progress,
                            const BeforeSending& before) {
    if (file.fileName.empty()) return UpgradeOutcome::NoFile;
    if (const auto refusal = UpgradeRefusal(file)) {
        link.prompt().Message(*refusal, kUpgradeTitle, Icon::Exclamation);
        return UpgradeOutcome::NothingToSend;
    }
    const bool usable = (reuseConnection && link.DeviceOpen()) || link.OpenForUpgrade();
    if (!usable) return UpgradeOutcome::NoLink;

    const UpgradeKind kind = UpgradeKindOf(file.extension);
    const bool sends = kind == UpgradeKind::Firmware ||
                       (kind == UpgradeKind::BootLoader && HasBootLoader(file.bootImage));
    if (sends && before && !before(link)) {
        link.Disconnect();
        return UpgradeOutcome::Cancelled;
    }
    UpgradeOutcome outcome = UpgradeOutcome::NothingToSend;
    switch (kind) {
        case UpgradeKind::Firmware:
            outcome = UpgradeFirmware(link, file.firmware, status, progress);
            break;
        case UpgradeKind::BootLoader:
            outcome = UpgradeBootLoader(link, file.bootImage, status, progress);
            break;
        case UpgradeKind::None:
            break;
    }
    link.Disconnect();
    return outcome;
}

std::string FirmwareVersionText(bool online, const std::string& version) {
    return online && !version.empty() ? version : "Not connected";
}

std::optional<int> ParseReadAddress(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::string_view rest = text.substr(i);
    double value = 0;
    if (rest.size() >= 2 && rest[0] == '&' && (rest[1] == 'H' || rest[1] == 'h')) {
        // The hexadecimal digits that follow; none is 0.
        const std::string_view digits = rest.substr(2);
        const std::string_view hex = digits.substr(
            0, std::min(digits.size(), digits.find_first_not_of("0123456789ABCDEFabcdef")));
        if (!hex.empty()) {
            const auto number = ReadUnsigned(hex, 16);
            if (!number) return std::nullopt;
            value = static_cast<double>(*number);
        }
    } else {
        value = RoundHalfEven(LeadingNumber(rest));
    }
    if (value < 0 || value > 0xFFFF) return std::nullopt;
    return static_cast<int>(value);
}

std::string ReadValueText(std::uint8_t first, std::uint8_t second) {
    char text[24];
    std::snprintf(text, sizeof text, "Value: $%X $%X", first, second);
    return text;
}

std::optional<std::string> ReadAddress(ModuleLink& link, std::string_view text) {
    const auto address = ParseReadAddress(text);
    if (!address) return std::nullopt;
    const auto value = WithLinkOpen(link, [&]() -> std::optional<std::string> {
        Bytes data;
        if (!link.Read2BytesDevice(*address, data)) return std::nullopt;
        return ReadValueText(data[0], data[1]);
    });
    return value ? *value : std::nullopt;
}

bool SendBootloader(ModuleLink& link) {
    return WithLinkOpen(link, [&] { return link.WriteMarker0400(); }).value_or(false);
}

bool UpgradeReachedModule(UpgradeOutcome outcome) {
    switch (outcome) {
        case UpgradeOutcome::NoFile:
        case UpgradeOutcome::NoLink:
        case UpgradeOutcome::NothingToSend:
        case UpgradeOutcome::Cancelled:
            return false;
        case UpgradeOutcome::Failed:
        case UpgradeOutcome::Refused:  // the unlock and the marker may have landed
        case UpgradeOutcome::Complete:
            break;
    }
    return true;
}

}  // namespace vx42
