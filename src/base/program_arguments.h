#pragma once
// The program's command line as UTF-8, like every other text of the tool. Windows hands a
// narrow main its arguments in the system's code page, which cannot hold every name a file may
// have: there they are taken from the wide command line instead.

#include <string>
#include <vector>

namespace vx42 {

class ProgramArguments {
  public:
    // argc and argv as main was given them; on Windows they are read again from the system.
    ProgramArguments(int argc, char** argv);
    ProgramArguments(const ProgramArguments&) = delete;
    ProgramArguments& operator=(const ProgramArguments&) = delete;

    // argv stays valid, and ends in a null pointer, while this lives. argc is a reference for
    // QApplication, which keeps it.
    int& argc() { return count_; }
    char** argv() { return pointers_.data(); }

  private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

// The standard output and error as every other system has them: UTF-8 to the console and lines
// ending in LF, not the C runtime's CR LF. Nothing to do elsewhere.
void UseUtf8Output();

// A window program on Windows has no console. Started from one (a command prompt asking for
// --version or --help), it writes there; started from a pipe or a file, it writes there as it
// is. Nothing to do elsewhere.
void WriteToParentConsole();

}  // namespace vx42
