// vx42ctl: the command-line side of the VX42 configuration tool.

#include "base/program_arguments.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
    vx42::UseUtf8Output();
    vx42::ProgramArguments arguments(argc, argv);
    return vx42::cli::Run(arguments.argc(), arguments.argv());
}
