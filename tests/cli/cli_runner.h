#pragma once
// Runs the built vx42ctl with arguments and collects its exit status, standard output and
// standard error (through files, so neither pipe can block the other).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "base/system_text.h"
#include "support/temp_dir.h"

namespace vx42::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifdef _WIN32
// One argument on a Windows command line, quoted so the C runtime's splitting gives it back
// unchanged: backslashes double only before a quote.
inline std::wstring QuotedArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

// Runs `program` (UTF-8) with its arguments, standard output and error into files, nothing on
// standard input; the exit status, or -1 when it could not be started.
inline int RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& outPath, const std::string& errPath) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto create = [&](const std::string& path, DWORD access, DWORD disposition) {
        return CreateFileW(PathFromUtf8(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE out = create(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = create(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = create("NUL", GENERIC_READ, OPEN_EXISTING);
    auto exe = PathFromUtf8(program);
    std::wstring line = QuotedArgument(exe.make_preferred().wstring());
    for (const auto& a : args) line += L" " + QuotedArgument(PathFromUtf8(a).wstring());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    int status = -1;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (HANDLE h : {out, err, in})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return status;
}
#else
// Runs `program` with its arguments, standard output and error into files, nothing on standard
// input; the exit status, or -1 when it could not be started or did not exit.
inline int RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& outPath, const std::string& errPath) {
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        dup2(open("/dev/null", O_RDONLY), 0);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
#endif

inline CliResult RunCli(const std::vector<std::string>& args,
                        const std::string& program = VX42CTL) {
    TempDir capture;
    const std::string outPath = capture.file("out"), errPath = capture.file("err");
    CliResult result;
    result.status = RunProgram(program, args, outPath, errPath);
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    return result;
}

// A run that must succeed: exit status 0, or a failure naming the command and its message.
inline CliResult Succeeded(const std::vector<std::string>& args, CliResult r) {
    std::string command;
    for (const auto& a : args) command += " " + a;
    EXPECT_EQ(r.status, 0) << "vx42ctl" << command << ": " << r.err;
    return r;
}
inline CliResult RunOk(const std::vector<std::string>& args) {
    return Succeeded(args, RunCli(args));
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
