#pragma once
// Runs the built vx42ctl with arguments and collects its exit status, standard output and
// standard error (through files, so neither pipe can block the other).

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vx42::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline CliResult RunCli(const std::vector<std::string>& args) {
    TempDir capture;
    const std::string outPath = capture.file("out"), errPath = capture.file("err");
    std::vector<char*> argv;
    std::string program = VX42CTL;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        dup2(out, 1);
        dup2(err, 2);
        dup2(in, 0);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    CliResult result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    return result;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A failure: exit status 2, nothing on standard output, and one line on standard error that
// names the file or the operation and says what is wrong.
inline void ExpectFailure(const CliResult& r, const std::string& mentions) {
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_THAT(r.out, ::testing::IsEmpty());
    ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_THAT(r.err, ::testing::HasSubstr(mentions));
}

}  // namespace vx42::test
