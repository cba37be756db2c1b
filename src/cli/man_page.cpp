// vx42ctl's man page, made from its own commands.
#include "cli/man_page.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <vector>

namespace vx42::cli {

namespace {

// Text as roff reads it: backslashes kept, hyphens of option names as the minus sign people
// type, nothing at a line's start taken for a request.
std::string Escaped(const std::string& text, bool optionName = false) {
    std::string out;
    char previous = ' ';
    for (char c : text) {
        // A dash that starts a word ("--device", "-o") is an option's: typed as a minus.
        const bool optionDash = c == '-' && (optionName || previous == ' ' || previous == '(' ||
                                             previous == '"' || previous == '-' || previous == '[');
        if (c == '\\')
            out += "\\e";
        else if (optionDash)
            out += "\\-";
        else
            out += c;
        previous = c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool Visible(const CLI::Option* option, const CLI::App& owner) {
    return !option->get_group().empty() && option != owner.get_help_ptr() &&
           option != owner.get_help_all_ptr();
}

std::vector<const CLI::Option*> OptionsOf(const CLI::App& command) {
    return command.get_options(
        [&command](const CLI::Option* option) { return Visible(option, command); });
}

std::vector<const CLI::App*> CommandsOf(const CLI::App& app) {
    return app.get_subcommands([](const CLI::App* command) {
        return !command->get_name().empty() && !command->get_group().empty();
    });
}

// What the value of an option is called: a folder, a file, or the option's own name.
std::string ValueName(const CLI::Option* option) {
    if (!option->get_option_text().empty()) return option->get_option_text();
    const std::string name =
        option->get_lnames().empty() ? option->get_single_name() : option->get_lnames().front();
    if (name.find("folder") != std::string::npos) return "DIR";
    if (name == "output" || name.find("state") != std::string::npos) return "FILE";
    return Upper(name);
}

// A flag expects no value; an option one or more.
bool TakesValue(const CLI::Option* option) {
    return option->get_expected_max() != 0;
}
bool Repeatable(const CLI::Option* option) {
    return option->get_expected_max() > 1 || option->get_expected_max() < 0;
}

// "-o, --output FILE" in bold and italics, for a list's tag.
std::string OptionTag(const CLI::Option* option) {
    std::string tag;
    for (const std::string& s : option->get_snames())
        tag += (tag.empty() ? "" : ", ") + std::string("\\fB\\-") + Escaped(s, true) + "\\fR";
    for (const std::string& l : option->get_lnames())
        tag += (tag.empty() ? "" : ", ") + std::string("\\fB\\-\\-") + Escaped(l, true) + "\\fR";
    if (TakesValue(option)) tag += " \\fI" + Escaped(ValueName(option)) + "\\fR";
    return tag;
}

// One word of the synopsis: "[--metric]", "-o FILE", "FILE", "[--message NAME]...".
std::string SynopsisWord(const CLI::Option* option) {
    std::string word;
    if (option->get_positional()) {
        word = "\\fI" + Escaped(option->get_name()) + "\\fR";
    } else {
        const std::string name = option->get_lnames().empty()
                                     ? "\\-" + Escaped(option->get_snames().front(), true)
                                     : "\\-\\-" + Escaped(option->get_lnames().front(), true);
        word = "\\fB" + name + "\\fR";
        // Non-breaking: an option and its value stay on one line.
        if (TakesValue(option)) word += "\\~\\fI" + Escaped(ValueName(option)) + "\\fR";
    }
    if (!option->get_required()) word = "[" + word + "]";
    if (Repeatable(option)) word += "...";
    return word;
}

std::string Description(const CLI::Option* option) {
    std::string text = Escaped(option->get_description());
    if (!option->get_default_str().empty() && !option->get_positional() && TakesValue(option))
        text += " (default: " + Escaped(option->get_default_str()) + ")";
    return text;
}

void OptionList(std::ostream& out, const std::vector<const CLI::Option*>& options) {
    for (const CLI::Option* option : options) {
        out << ".TP\n"
            << (option->get_positional() ? "\\fI" + Escaped(option->get_name()) + "\\fR"
                                         : OptionTag(option))
            << "\n"
            << Description(option) << "\n";
    }
}

bool SameOption(const CLI::Option* a, const CLI::Option* b) {
    return a->get_name() == b->get_name() && a->get_description() == b->get_description();
}

// Options of a group of their own ("Module") that several commands take alike: said once.
std::vector<const CLI::Option*> SharedOptions(const std::vector<const CLI::App*>& commands) {
    std::vector<const CLI::Option*> shared;
    for (const CLI::App* command : commands) {
        for (const CLI::Option* option : OptionsOf(*command)) {
            if (option->get_positional() || option->get_group() == "Options") continue;
            const auto takes = [&](const CLI::App* c) {
                const auto options = OptionsOf(*c);
                return std::any_of(options.begin(), options.end(),
                                   [&](const CLI::Option* o) { return SameOption(o, option); });
            };
            const bool known = std::any_of(shared.begin(), shared.end(),
                                           [&](const auto* s) { return SameOption(s, option); });
            if (!known && std::count_if(commands.begin(), commands.end(), takes) > 1)
                shared.push_back(option);
        }
    }
    return shared;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void Command(std::ostream& out, const CLI::App& command, const std::string& path,
             const std::vector<const CLI::Option*>& shared) {
    out << ".SS \"" << Escaped(path) << "\"\n";
    std::vector<const CLI::Option*> options, positionals;
    for (const CLI::Option* option : OptionsOf(command)) {
        const bool isShared = std::any_of(shared.begin(), shared.end(),
                                          [&](const auto* s) { return SameOption(s, option); });
        if (isShared) continue;
        (option->get_positional() ? positionals : options).push_back(option);
    }
    out << "\\fBvx42ctl " << Escaped(path, true) << "\\fR";
    std::vector<std::string> groups;  // of the shared options this command takes
    for (const CLI::Option* option : OptionsOf(command))
        for (const CLI::Option* s : shared)
            if (SameOption(s, option) &&
                std::find(groups.begin(), groups.end(), s->get_group()) == groups.end())
                groups.push_back(s->get_group());
    for (const std::string& group : groups)
        out << " [\\fI" << Escaped(Lower(group)) << " options\\fR]";
    for (const CLI::Option* option : options) out << " " << SynopsisWord(option);
    for (const CLI::Option* option : positionals) out << " " << SynopsisWord(option);
    out << "\n.PP\n" << Escaped(command.get_description()) << "\n";
    std::vector<const CLI::Option*> listed = positionals;
    listed.insert(listed.end(), options.begin(), options.end());
    if (!listed.empty()) {
        out << ".RS\n";
        OptionList(out, listed);
        out << ".RE\n";
    }
}

void Section(std::ostream& out, const CLI::App& app, const std::string& title,
             const std::string& intro,
             const std::vector<std::pair<const CLI::App*, std::string>>& commands) {
    out << ".SH \"" << Escaped(title) << "\"\n";
    if (!intro.empty()) out << Escaped(intro) << "\n";
    std::vector<const CLI::App*> apps;
    for (const auto& entry : commands) apps.push_back(entry.first);
    const auto shared = SharedOptions(apps);
    std::vector<std::string> groups;
    for (const CLI::Option* option : shared)
        if (std::find(groups.begin(), groups.end(), option->get_group()) == groups.end())
            groups.push_back(option->get_group());
    for (const std::string& group : groups) {
        std::vector<const CLI::Option*> members;
        bool global = false;  // the program takes them before the command's name too
        for (const CLI::Option* option : shared) {
            if (option->get_group() != group) continue;
            members.push_back(option);
            global |= app.get_option_no_throw(option->get_name()) != nullptr;
        }
        out << ".PP\n"
            << Escaped(group) << " options, taken by the commands below that show [\\fI"
            << Escaped(Lower(group)) << " options\\fR]"
            << (global ? ", before or after the command's name" : "") << ":\n";
        OptionList(out, members);
    }
    for (const auto& [command, path] : commands) Command(out, *command, path, shared);
}

}  // namespace

std::string ManPageCommands(const CLI::App& app) {
    std::ostringstream out;
    // The single commands by their help group, in the order the groups first appear.
    std::vector<std::string> groupOrder;
    std::map<std::string, std::vector<std::pair<const CLI::App*, std::string>>> singles;
    for (const CLI::App* command : CommandsOf(app)) {
        const auto subcommands = CommandsOf(*command);
        if (subcommands.empty()) {
            const std::string& group = command->get_group();
            if (!singles.count(group)) groupOrder.push_back(group);
            singles[group].emplace_back(command, command->get_name());
            continue;
        }
        std::vector<std::pair<const CLI::App*, std::string>> entries;
        for (const CLI::App* sub : subcommands)
            entries.emplace_back(sub, command->get_name() + " " + sub->get_name());
        Section(out, app, Upper(command->get_name()) + " COMMANDS",
                command->get_description() + ".", entries);
    }
    for (const std::string& group : groupOrder) Section(out, app, Upper(group), "", singles[group]);
    return out.str();
}

std::string ManPageGlobalOptions(const CLI::App& app) {
    std::ostringstream out;
    std::vector<const CLI::Option*> options;
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty() || option->get_group() == "Module") continue;
        options.push_back(option);
    }
    OptionList(out, options);
    return out.str();
}

std::string ManPage(const CLI::App& app, const std::string& templateText) {
    std::ostringstream out;
    std::string_view rest = templateText;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string line(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line == kCommandsMark)
            out << ManPageCommands(app);
        else if (line == kGlobalOptionsMark)
            out << ManPageGlobalOptions(app);
        else
            out << line << "\n";
    }
    return out.str();
}

}  // namespace vx42::cli
