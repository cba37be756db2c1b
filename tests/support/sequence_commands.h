#pragma once
// The command template of the session's and the window's command sequences, and the commands
// alike in both. A rig `R` runs the steps: it says how a step draws its link fault (none
// `R::kNoFault` times in `R::kNoFault` + 1, else a burst `[1, R::kFaultReach)` exchanges on),
// whether the user may go on before a step ends (`R::kGoesOn`) and how many restore points a
// restore picks from (`R::kRestorePicks`); `R::Run(step, does, body)` runs a step's body with its
// plan and fault and checks every rule after it.

#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <tuple>

#include "device/can_bus.h"
#include "support/plan_prompt.h"
#include "support/property_check.h"
#include "support/sequence_support.h"

namespace vx42::test {

inline constexpr int kSequenceFiles = 3;

// What the commands know in advance: which modules are plugged in, which files were saved.
struct Model {
    std::array<bool, 2> plugged{true, true};
    std::array<bool, kSequenceFiles> saved{true, false, false};
};

// What a command does besides running (a rig checks what it knows of): it edits the calibration
// shown, starts a whole transfer, or may replace the calibration shown whole.
enum StepDoes : int { kEdits = 1, kTransfer = 2, kReplaces = 4 };

// A command's name, given as a template argument.
template <std::size_t N>
struct Name {
    constexpr Name(const char (&text)[N]) { std::copy_n(text, N, chars); }
    char chars[N];
};

// A step's draw: the answers of its questions, its link fault (a burst of five of one kind,
// `at` exchanges on; 0: none) and whether the user waits for it before the next.
struct StepDraw {
    Plan plan;
    int at = 0, kind = 0;
    bool wait = true;
};

inline StepDraw DrawStep(int noFault, int faultReach, bool goesOn) {
    return {AnyPlan(),
            *rc::gen::weightedOneOf<int>(
                {{noFault, rc::gen::just(0)}, {1, rc::gen::inRange(1, faultReach)}}),
            *rc::gen::inRange(0, 3),
            !goesOn || *rc::gen::weightedOneOf<bool>(
                           {{3, rc::gen::just(true)}, {1, rc::gen::just(false)}})};
}

// A command: its name, what it does, its draw, and its run by the rig; a failure prints the
// name, the fault, " +" when the user went on at once, and the plan.
template <typename Derived, typename R, Name kName, int kDoes = kEdits>
struct Step : rc::state::Command<Model, R> {
    StepDraw step = DrawStep(R::kNoFault, R::kFaultReach, R::kGoesOn);
    void run(const Model&, R& rig) const override {
        rig.Run(step, kDoes, [&] { static_cast<const Derived*>(this)->Body(rig); });
    }
    void show(std::ostream& os) const override {
        os << kName.chars << (step.at ? " (fault " + std::to_string(step.at) + ")" : "")
           << (step.wait ? "" : " +") << " [" << PlanText(step.plan) << "]";
    }
};

// A command that calls `kDo` of the rig with `kArgs`.
template <typename R, Name kName, int kDoes, auto kDo, auto... kArgs>
struct Call : Step<Call<R, kName, kDoes, kDo, kArgs...>, R, kName, kDoes> {
    void Body(R& r) const { (r.*kDo)(kArgs...); }
};

// The values [from, to) a command draws one of.
struct Range {
    int from, to;
};

// A command that calls `kDo` of the rig with a value drawn from each range, in order.
template <typename R, Name kName, int kDoes, auto kDo, Range... kRanges>
struct Pick : Step<Pick<R, kName, kDoes, kDo, kRanges...>, R, kName, kDoes> {
    std::array<int, sizeof...(kRanges)> values{*rc::gen::inRange(kRanges.from, kRanges.to)...};
    void Body(R& r) const {
        std::apply([&](auto... v) { (r.*kDo)(v...); }, values);
    }
};

// A cable pulled (`kIn` false) or plugged back in.
template <typename R, Name kName, bool kIn, auto kDo>
struct Plug : Pick<R, kName, 0, kDo, Range{0, 2}> {
    void checkPreconditions(const Model& m) const override {
        RC_PRE(m.plugged[this->values[0]] != kIn);
    }
    void apply(Model& m) const override { m.plugged[this->values[0]] = kIn; }
};

// A command on a file saved before.
template <typename R, Name kName, int kDoes, auto kDo>
struct OnSavedFile : Pick<R, kName, kDoes, kDo, Range{0, kSequenceFiles}> {
    void checkPreconditions(const Model& m) const override { RC_PRE(m.saved[this->values[0]]); }
};

template <typename R>
struct SaveAs : Pick<R, "save", kReplaces, &R::Save, Range{0, kSequenceFiles}> {
    void apply(Model& m) const override { m.saved[this->values[0]] = true; }
};

// The commands alike in the session's and the window's sequences.
template <typename R>
struct SequenceCommands {
    template <typename Derived, Name kName, int kDoes = kEdits>
    using Step = test::Step<Derived, R, kName, kDoes>;
    template <Name kName, int kDoes, auto kDo, Range... kRanges>
    using Pick = test::Pick<R, kName, kDoes, kDo, kRanges...>;
    using Connect = Call<R, "connect", kTransfer | kReplaces, &R::Connect, true>;
    using Disconnect = Call<R, "disconnect", kTransfer, &R::Connect, false>;
    using Unplug = Plug<R, "unplug", false, &R::Unplug>;
    using Replug = Plug<R, "replug", true, &R::Replug>;
    using SetCanSpeed = test::Pick<R, "CAN speed", kEdits, &R::CanSpeed,
                                   Range{0, static_cast<int>(kCanSpeeds.size())}>;
    using Open = OnSavedFile<R, "open", kTransfer | kReplaces, &R::Open>;
    using Save = SaveAs<R>;
    using Restore = test::Pick<R, "restore", kTransfer, &R::Restore, Range{0, R::kRestorePicks}>;
    using Retrieve = Call<R, "retrieve", kTransfer | kReplaces, &R::Retrieve>;
    using Update = Call<R, "update", kTransfer, &R::Update>;
    using Undo = Call<R, "undo", kEdits, &R::UndoRedo, true>;
    using Redo = Call<R, "redo", kEdits, &R::UndoRedo, false>;
};

}  // namespace vx42::test
