#pragma once
// The answers of one command's questions, drawn by RapidCheck, and a prompt that gives them:
// the command-sequence tests plan each step's dialogs before the step runs.

#include <rapidcheck.h>

#include <string>

#include "base/prompt.h"

namespace vx42::test {

// How the Save As dialog of a save question ends.
enum class SaveEnd { Saved, Cancelled, Failed };

// The answers of one command's questions.
struct Plan {
    Answer save = Answer::No;  // "save now?" and "Different VX42 module ... save"
    SaveEnd saveEnd = SaveEnd::Saved;
    Answer program = Answer::Yes;  // "Open And Program File?"
    Answer check = Answer::No;     // "Check Calibration": write anyway?
    Answer differs = Answer::No;   // "Module Holds A Different Calibration"
    Answer restore = Answer::No;   // write the restore point now?
};

class PlanPrompt : public Prompt {
  public:
    void Message(const std::string&, const std::string&, Icon) override {}
    Answer YesNo(const std::string& text, const std::string& title, Icon, Answer) override {
        if (title == "Open And Program File?") return plan.program;
        if (title == "Check Calibration") return plan.check;
        if (title == "Restore") return plan.restore;
        if (title == "File Already Exists")
            return plan.saveEnd == SaveEnd::Saved ? Answer::Yes : Answer::No;
        if (title == "Save Changes?" || text.find("Different VX42 module") == 0) {
            declinedSave = declinedSave || plan.save == Answer::No;
            return plan.save;
        }
        return Answer::No;
    }
    Answer YesNoCancel(const std::string&, const std::string&, Icon, Answer) override {
        return plan.differs;
    }
    std::optional<std::string> OpenFile(const FileDialog&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const FileDialog&) override {
        if (plan.saveEnd == SaveEnd::Cancelled) return std::nullopt;
        return plan.saveEnd == SaveEnd::Saved ? saveTo : saveTo + ".none/x.DVF";
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }

    Plan plan;
    std::string saveTo;         // where a Save As writes
    bool declinedSave = false;  // the user said No to saving, in this step
};

inline Plan AnyPlan() {
    Plan p;
    p.save = *rc::gen::element(Answer::Yes, Answer::No);
    p.saveEnd = *rc::gen::element(SaveEnd::Saved, SaveEnd::Cancelled, SaveEnd::Failed);
    p.program = *rc::gen::element(Answer::Yes, Answer::No);
    p.check = *rc::gen::element(Answer::Yes, Answer::No);
    p.differs = *rc::gen::element(Answer::Yes, Answer::No, Answer::Cancel);
    p.restore = *rc::gen::element(Answer::Yes, Answer::No);
    return p;
}

inline std::string PlanText(const Plan& p) {
    auto a = [](Answer x) { return x == Answer::Yes ? "Yes" : x == Answer::No ? "No" : "Cancel"; };
    const char* ends[] = {"saved", "save cancelled", "save failed"};
    return std::string("save ") + a(p.save) + ", " + ends[static_cast<int>(p.saveEnd)] +
           "; program " + a(p.program) + "; check " + a(p.check) + "; differs " + a(p.differs) +
           "; restore " + a(p.restore);
}

}  // namespace vx42::test
