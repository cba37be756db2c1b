// What an edit of a setting works on: the image, the changed flag and the module.
#include "calibration/edit_target.h"

#include <algorithm>

namespace vx42 {

void EditTarget::Store(int address, std::span<const std::uint8_t> bytes, bool mark) {
    // The whole setting must lie in the image.
    (void)image[ImageIndex(address)];
    (void)image[ImageIndex(address) + static_cast<int>(bytes.size()) - 1];
    image.CopyIntoImage(bytes, ImageIndex(address));
    if (mark) calibrationChanged = true;
}

void EditTarget::StoreByte(int address, std::uint8_t value, bool mark) {
    Store(address, std::span(&value, 1), mark);
}

void EditTarget::StoreWord(int address, double value, bool mark) {
    const std::uint8_t word[2] = {HighByte(value), LowByte(value)};
    Store(address, word, mark);
}

void EditTarget::Write(int address, int count) {
    for (int done = 0; done < count; done += 16) {
        const int piece = std::min(16, count - done);
        const Bytes bytes = image.CopyFromImage(ImageIndex(address + done), piece - 1);
        module.WriteCalibrationChange(address + done, bytes);
    }
}

std::vector<ByteSpan> StagedChanges(std::vector<ByteSpan> changed) {
    std::sort(changed.begin(), changed.end(),
              [](const ByteSpan& a, const ByteSpan& b) { return a.address < b.address; });
    std::vector<ByteSpan> runs;
    for (const ByteSpan& span : changed) {
        if (span.count <= 0) continue;
        if (!runs.empty() && span.address <= runs.back().address + runs.back().count) {
            ByteSpan& run = runs.back();
            run.count = std::max(run.count, span.address + span.count - run.address);
        } else {
            runs.push_back(span);
        }
    }
    std::vector<ByteSpan> staged;
    for (const ByteSpan& run : runs) {
        for (int done = 0; done < run.count; done += 16)
            staged.push_back({run.address + done, std::min(16, run.count - done)});
    }
    return staged;
}

void EditTarget::WriteChanged(std::vector<ByteSpan> changed) {
    for (const ByteSpan& change : StagedChanges(std::move(changed)))
        Write(change.address, change.count);
}

void EditTarget::StoreAndWrite(int address, std::span<const std::uint8_t> bytes, bool mark) {
    Store(address, bytes, mark);
    Write(address, static_cast<int>(bytes.size()));
}

void EditTarget::StoreAndWriteByte(int address, std::uint8_t value, bool mark) {
    StoreAndWrite(address, std::span(&value, 1), mark);
}

void EditTarget::StoreAndWriteWord(int address, double value, bool mark) {
    const std::uint8_t word[2] = {HighByte(value), LowByte(value)};
    StoreAndWrite(address, word, mark);
}

void EditTarget::StoreAndWriteRuns(const std::vector<BytesAt>& runs) {
    std::vector<ByteSpan> changed;
    for (const BytesAt& run : runs) {
        if (run.bytes.empty()) continue;
        Store(run.address, run.bytes);
        changed.push_back({run.address, static_cast<int>(run.bytes.size())});
    }
    WriteChanged(std::move(changed));
}

}  // namespace vx42
