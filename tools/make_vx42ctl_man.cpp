// Writes vx42ctl's man page: the hand-written page with the program's own commands put in.
//
// make_vx42ctl_man TEMPLATE OUT
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/man_page.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_vx42ctl_man TEMPLATE OUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        std::cerr << "make_vx42ctl_man: cannot read " << argv[1] << "\n";
        return 2;
    }
    vx42::cli::Session session;
    CLI::App app;
    vx42::cli::DescribeCommands(app, session);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << vx42::cli::ManPage(app, text.str());
    out.close();
    if (!out) {
        std::cerr << "make_vx42ctl_man: cannot write " << argv[2] << "\n";
        return 2;
    }
    return 0;
}
