// vx42ctl: the command-line side of the VX42 configuration tool.

#include "cli/commands.h"

#ifdef _WIN32
#include <windows.h>
// (after windows.h, which it needs)
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/system_text.h"

// Windows hands a narrow main its arguments in the system's code page: take them from the
// wide command line instead, as UTF-8 like every other text of the tool, and write UTF-8.
int main(int, char**) {
    SetConsoleOutputCP(CP_UTF8);
    // The same bytes as on every other system: lines end in LF, not the C runtime's CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!wide) return 1;
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(vx42::Utf8FromWide(wide[i]));
    LocalFree(wide);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return vx42::cli::Run(argc, argv.data());
}
#else
int main(int argc, char** argv) {
    return vx42::cli::Run(argc, argv);
}
#endif
