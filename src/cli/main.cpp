// vx42ctl: the command-line side of the VX42 configuration tool.

#include "cli/commands.h"

int main(int argc, char** argv) {
    return vx42::cli::Run(argc, argv);
}
