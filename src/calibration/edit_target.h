#pragma once
// What an edit of a setting works on: the image, the calibration-changed flag, and the
// module, which receives every confirmed change at once (nothing is sent offline).

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "calibration/cal_image.h"
#include "calibration/converters.h"

namespace vx42 {

// The module side of an edit: one single-change write through the staging area.
// Offline the implementation sends nothing; a failure is reported by the implementation.
class ChangeSink {
  public:
    virtual ~ChangeSink() = default;
    // address: module address; bytes: 1 to 16 bytes.
    virtual void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) = 0;
    // The message slots were changed by the writes before: the module is told to take up its
    // messages again (the marker), where those writes reach it.
    virtual void MessagesChanged() {}
};

// A sink for offline editing: nothing is sent.
class OfflineSink : public ChangeSink {
  public:
    void WriteCalibrationChange(int, std::span<const std::uint8_t>) override {}
};

// A run of bytes in the module's memory.
struct ByteSpan {
    int address = 0;
    int count = 0;
    bool operator==(const ByteSpan&) const = default;
};

// The staged changes that carry changed bytes to the module: runs that touch or overlap are
// joined, every change holds at most 16 bytes, and the changes go in address order.
std::vector<ByteSpan> StagedChanges(std::vector<ByteSpan> changed);

// Bytes to store at a module address.
struct BytesAt {
    int address = 0;
    Bytes bytes;
    bool operator==(const BytesAt&) const = default;
};

// A run of bytes as it was before a change and as the change left it.
struct ByteChange {
    int address = 0;
    Bytes before;
    Bytes after;
    bool operator==(const ByteChange&) const = default;
};

struct EditTarget {
    CalImage& image;
    bool& calibrationChanged;
    ChangeSink& module;

    // Store: bytes into the image, marking the calibration changed (unless mark is false).
    void Store(int address, std::span<const std::uint8_t> bytes, bool mark = true);
    void StoreByte(int address, std::uint8_t value, bool mark = true);
    // A 16-bit value, clamped to 0..65535, fraction dropped, most significant byte first.
    void StoreWord(int address, double value, bool mark = true);
    // Write: the image's bytes at address .. address + count - 1 to the module, in pieces of
    // at most 16 bytes.
    void Write(int address, int count);
    // Writes many changed runs at once, as few staged changes as they allow.
    void WriteChanged(std::vector<ByteSpan> changed);
    // Store then write, the order every confirmed edit follows.
    void StoreAndWrite(int address, std::span<const std::uint8_t> bytes, bool mark = true);
    void StoreAndWriteByte(int address, std::uint8_t value, bool mark = true);
    void StoreAndWriteWord(int address, double value, bool mark = true);
    // Stores every run, marking the calibration changed, then writes them all as few staged
    // changes as they allow.
    void StoreAndWriteRuns(const std::vector<BytesAt>& runs);
};

}  // namespace vx42
