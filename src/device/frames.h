#pragma once
// The request frames of the module protocol and the rules that accept their replies.
// Every frame starts with an ASCII command letter; addresses go high byte first; a checksum
// is the sum of the named bytes modulo 256 and never includes the command letter.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "calibration/converters.h"

namespace vx42::frame {

// Reply lengths.
constexpr int kAckLength = 1;
constexpr int kVersionLength = 4;
constexpr int kRead16Length = 18;
constexpr int kRead2Length = 4;
constexpr int kBootBlockReplyLength = 4;

Bytes FirmwareRequest();                                                // "F"
Bytes Write1Request(std::uint8_t value, int address);                   // "X"
Bytes Write2Request(std::span<const std::uint8_t> data, int address);   // "W", 2 data bytes
Bytes Write16Request(std::span<const std::uint8_t> data, int address);  // "P", the data bytes
Bytes Read16Request(int address);                                       // "Q"
Bytes Read2Request(int address);                                        // "R"
Bytes BootloaderRequest();                                              // "?"
Bytes FinishUpgradeRequest();                                           // "C"
Bytes ResetRequest();                                                   // "G"
// "P", 24-bit address, checksum of address and data, "000", then the data.
Bytes BootBlockRequest(std::span<const std::uint8_t> data, std::uint32_t address);

// An acknowledgement: the first byte is the command letter.
bool AcceptAck(std::span<const std::uint8_t> reply, char letter);
// "F": major, minor, revision and their checksum; the version as "major.minor.revision".
std::optional<std::string> AcceptVersion(std::span<const std::uint8_t> reply);
// A read reply: the letter, `count` data bytes and their checksum. `data` is filled as soon as
// the letter is accepted (before the checksum test), as the callers expect.
bool AcceptRead(std::span<const std::uint8_t> reply, char letter, int count, Bytes& data);
// "?": True only for "Y".
bool AcceptBootloader(std::span<const std::uint8_t> reply);
// The bootloader block reply: 4 bytes, the first "P".
bool AcceptBootBlock(std::span<const std::uint8_t> reply);

}  // namespace vx42::frame
