#pragma once
// The module side of the window's edits: each confirmed change is stamped with the connection
// it is made for and handed to the link's thread, which writes it there in order, and only
// over that connection, so the window never waits for the module and no edit reaches a module
// it was not made for.

#include <functional>

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
    // On the window's thread: the change is handed over, and later how it ended.
    using Handed = std::function<void(std::uint64_t stamp, int address, const Bytes& bytes)>;
    using Ended = std::function<void(std::uint64_t stamp, ChangeOutcome outcome)>;

    QueuedChangeSink(LinkThread& link, QObject* context, ModuleService& module, Stamp stamp,
                     Handed handed, Ended ended)
        : link_(link),
          context_(context),
          module_(module),
          stamp_(std::move(stamp)),
          handed_(std::move(handed)),
          ended_(std::move(ended)) {}

    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        const std::uint64_t stamp = stamp_(address, bytes.size());
        if (stamp == 0) return;  // an offline edit
        Bytes copy(bytes.begin(), bytes.end());
        handed_(stamp, address, copy);
        link_.call<ChangeOutcome>(
            [this, stamp, address, copy] {
                // The connection it was made for has ended, or another module is connected.
                if (module_.Connection() != stamp) return ChangeOutcome::NotSent;
                return module_.WriteCalibrationChange(address, copy) ? ChangeOutcome::Applied
                                                                     : ChangeOutcome::Failed;
            },
            context_,
            [this, stamp](ChangeOutcome outcome, bool failed) {
                ended_(stamp, failed ? ChangeOutcome::Failed : outcome);
            });
    }

  private:
    LinkThread& link_;
    QObject* context_;
    ModuleService& module_;
    Stamp stamp_;
    Handed handed_;
    Ended ended_;
};

}  // namespace vx42
