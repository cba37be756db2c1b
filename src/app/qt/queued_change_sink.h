#pragma once
// The module side of the window's edits: each confirmed change is stamped with the connection
// it is made for when the user confirms it. The changes of one command are held until it has
// stored them all, judged together (an edit that would bring an error of the check to the
// module stays in the calibration shown only), then handed to the link's thread, which writes
// them there in order, and only over that connection, so the window never waits for the
// module and no edit reaches a module it was not made for.

#include <QMetaObject>
#include <functional>
#include <utility>
#include <vector>

#include "app/qt/link_thread.h"
#include "calibration/edit_target.h"
#include "session/module_service.h"

namespace vx42 {

enum class ChangeOutcome { Applied, Failed, NotSent };

class QueuedChangeSink : public ChangeSink {
  public:
    // The connection the edit of `count` bytes at `address` is made for when the user confirms
    // it (0: nothing is sent).
    using Stamp = std::function<std::uint64_t(int address, std::size_t count)>;
    // Whether the command's changes, all in the calibration shown now, may go to the module
    // (with those held back before); false holds them back too.
    using Judge = std::function<bool()>;
    // Whether the changes held back are still wanted (the same connection and calibration).
    using StillHeld = std::function<bool()>;
    // On the window's thread: the change is handed over, and later how it ended.
    using Handed = std::function<void(std::uint64_t stamp, int address, const Bytes& bytes)>;
    using Ended = std::function<void(std::uint64_t stamp, ChangeOutcome outcome)>;

    QueuedChangeSink(LinkThread& link, QObject* context, ModuleService& module, Stamp stamp,
                     Judge judge, StillHeld stillHeld, Handed handed, Ended ended)
        : link_(link),
          context_(context),
          module_(module),
          stamp_(std::move(stamp)),
          judge_(std::move(judge)),
          stillHeld_(std::move(stillHeld)),
          handed_(std::move(handed)),
          ended_(std::move(ended)) {}

    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        const std::uint64_t stamp = stamp_(address, bytes.size());
        if (stamp == 0) return;  // an offline edit
        // Staged once the command has stored everything, or before anything else uses the link.
        if (pending_.empty())
            QMetaObject::invokeMethod(
                context_, [this] { Stage(); }, Qt::QueuedConnection);
        pending_.push_back({stamp, address, Bytes(bytes.begin(), bytes.end())});
    }

    // The marker goes with the command's changes: only where they are staged.
    void MessagesChanged() override { markerPending_ = markerPending_ || !pending_.empty(); }

    bool Held() const { return !pending_.empty(); }

    // The command's changes: judged, then handed to the link after those held back before, in
    // the order they were confirmed, or held back with them.
    void Stage() {
        if (pending_.empty()) return;
        if (!stillHeld_()) {
            held_.clear();
            heldMarker_ = false;
        }
        held_.insert(held_.end(), pending_.begin(), pending_.end());
        pending_.clear();
        heldMarker_ = heldMarker_ || std::exchange(markerPending_, false);
        if (!judge_()) return;
        const std::vector<Pending> changes = std::exchange(held_, {});
        for (const Pending& change : changes) Send(change);
        if (std::exchange(heldMarker_, false))
            link_.post([this, stamp = changes.back().stamp] {
                if (module_.Connection() == stamp) module_.WriteMarkerCBE0();
            });
    }

  private:
    struct Pending {
        std::uint64_t stamp = 0;
        int address = 0;
        Bytes bytes;
    };

    void Send(const Pending& change) {
        handed_(change.stamp, change.address, change.bytes);
        link_.call<ChangeOutcome>(
            [this, change] {
                // The connection it was made for has ended, or another module is connected.
                if (module_.Connection() != change.stamp) return ChangeOutcome::NotSent;
                return module_.WriteCalibrationChange(change.address, change.bytes)
                           ? ChangeOutcome::Applied
                           : ChangeOutcome::Failed;
            },
            context_,
            [this, stamp = change.stamp](ChangeOutcome outcome, bool failed) {
                ended_(stamp, failed ? ChangeOutcome::Failed : outcome);
            });
    }

    LinkThread& link_;
    QObject* context_;
    ModuleService& module_;
    Stamp stamp_;
    Judge judge_;
    StillHeld stillHeld_;
    Handed handed_;
    Ended ended_;
    std::vector<Pending> pending_;  // of the command running now
    bool markerPending_ = false;
    std::vector<Pending> held_;  // held back, with the marker they carry
    bool heldMarker_ = false;
};

}  // namespace vx42
