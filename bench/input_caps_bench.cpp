// The worst input each reader accepts, just inside its caps: the peak memory (resident set of a
// process that does nothing else) and the time of reading it, through the same command the
// user runs. Each input is made and read in child processes of their own, so the peaks do not
// mix.
//
//   input_caps_bench [FILTER]   runs the cases whose name contains FILTER (all by default)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/silent_prompt.h"
#include "calibration/converters.h"
#include "can/blowfish.h"
#include "can/library_files.h"
#include "can/library_json.h"
#include "cli/commands.h"
#include "files/calibration_json.h"
#include "files/input_limits.h"
#include "firmware/firmware_files.h"

namespace fs = std::filesystem;
using namespace vx42;

namespace {

struct Case {
    std::string name;
    std::string input;                   // the input's file name
    std::function<std::string()> bytes;  // the input
    std::function<int(const fs::path& input, const fs::path& output)> read;  // in the child
};

// vx42ctl with the words given, then the input, then "-o OUTPUT" for a build.
std::function<int(const fs::path&, const fs::path&)> Vx42ctl(std::vector<std::string> words) {
    return [words](const fs::path& input, const fs::path& output) {
        std::vector<std::string> args{"vx42ctl"};
        args.insert(args.end(), words.begin(), words.end());
        args.push_back(input.string());
        if (words.back() == "build" || words.back() == "srec2blu" || words.back() == "import-dbc")
            args.insert(args.end(), {"-o", output.string()});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        return cli::Run(static_cast<int>(argv.size()), argv.data());
    };
}

CanMessage FullMessage(int i) {
    CanMessage m;
    m.CanId = 0x18FEF100 + i;
    m.Name = FixedText("Message " + std::to_string(i) + " with a long name", canwidth::Name);
    m.Description = FixedText(std::string(80, 'D'), canwidth::Description);
    m.DataLength = 8;
    m.BitLength = 16;
    m.Offset = -40;
    m.Multiplier = 0.03125;
    m.Unit = FixedText("Deg C", canwidth::Unit);
    m.EndianLength = 2;
    return m;
}

CanLibrary LargestLibrary() {
    CanLibrary library = NewLibrary("Largest");
    for (int i = 0; i < limits::kLibraryMessages; ++i) library.Messages.push_back(FullMessage(i));
    return library;
}

// A whole calibration, and beside it a list the build ignores, up to both caps.
std::string LargestCalibrationJson() {
    std::string text = CalibrationToJson(CalImage{}).dump();
    text.pop_back();
    text += ",\"Notes\":[";
    const std::size_t values = limits::kCalibrationJson.values - 2000;
    const std::size_t each = (limits::kCalibrationJson.bytes - text.size() - 8) / values - 3;
    for (std::size_t i = 0; i < values; ++i)
        text += (i ? ",\"" : "\"") + std::string(each, 'n') + "\"";
    return text + "]}";
}

// The most presets, each with six table rows, then blank lines up to the line or size cap.
std::string LargestPresets() {
    std::string block = "<GaugePreset>\n<GaugeName>Gauge</GaugeName>\n<Function>2</Function>\n";
    for (int r = 1; r <= 6; ++r)
        block += "<DataRow" + std::to_string(r) +
                 ">1.5,2.5,3.5,4.5,5.5,6.5,7.5,8.5,9.5,10.5,11.5," +
                 "12.5,13.5,14.5,15.5,16.5</DataRow" + std::to_string(r) + ">\n";
    block += "</GaugePreset>\n";
    std::string text;
    for (std::size_t i = 0; i < limits::kPresets; ++i) text += block;
    const std::size_t lines = limits::kPresets * 10;
    return text + std::string(std::min(limits::kPresetsLines - lines,
                                       limits::kPresetsFileBytes - text.size()),
                              '\n');
}

// One record over the whole addressable image.
std::string LargestFirmware() {
    std::string bytes(1 + 8 + 8, '\0');
    bytes[0] = 1;
    bytes += '\x01';
    const auto length = static_cast<std::int32_t>(kLargestImage);
    for (const std::int32_t v : {length, 0})
        for (int b = 0; b < 4; ++b) bytes += static_cast<char>((v >> (8 * b)) & 0xFF);
    return bytes + std::string(static_cast<std::size_t>(length), '\x5A');
}

// S2 records of six data bytes in 25 characters a line: the most lines that fit the size cap,
// under the line cap.
std::string LargestSRecords() {
    std::string text;
    text.reserve(limits::kSRecordFileBytes);
    for (std::uint32_t a = 0; text.size() + 25 <= limits::kSRecordFileBytes; a += 6) {
        char head[16];
        std::snprintf(head, sizeof head, "S20A%06X", a);
        text += head;
        for (int j = 0; j < 6; ++j) text += ByteToHex(static_cast<std::uint8_t>(a + j));
        text += "00\n";
    }
    return text;
}

std::vector<Case> Cases() {
    return {
        {"calibration show: 1 MiB calibration file", "in.DVF",
         [] { return std::string(limits::kCalibrationFileBytes, '\x55'); },
         Vx42ctl({"calibration", "show"})},
        {"calibration build: 4 MiB JSON, 98,000 values", "in.json", LargestCalibrationJson,
         Vx42ctl({"calibration", "build"})},
        {"library show: 65,535 messages", "in.DVM",
         [] {
             auto bytes = WriteLibraryBytes(LargestLibrary());
             clsBlowfish().EncryptByte(bytes, LibraryKey);
             return std::string(bytes.begin(), bytes.end());
         },
         Vx42ctl({"library", "show"})},
        {"library build: 65,535 messages as JSON", "in.json",
         [] { return LibraryToJsonText(LargestLibrary()); }, Vx42ctl({"library", "build"})},
        {"presets show: 1,000 presets, 100,000 lines", "in.CFG", LargestPresets,
         Vx42ctl({"presets", "show"})},
        {"firmware show: one 16 MiB record", "in.ROM", LargestFirmware,
         Vx42ctl({"firmware", "show"})},
        {"BLU read: 16 MiB + 64 KiB", "in.BLU",
         [] { return std::string(limits::kFirmwareFileBytes, '\x5A'); },
         [](const fs::path& input, const fs::path&) {
             SilentPrompt prompt;
             BootImage image;
             return ReadBootImageFile(input.string(), image, prompt) ? 0 : 2;
         }},
        {"srec2blu: 48 MiB, 2,013,265 lines", "in.s19", LargestSRecords, Vx42ctl({"srec2blu"})},
        // As many signals as a database may hold, as many imported as a library may hold.
        {"library import-dbc: 262,144 signals, 65,535 imported", "in.dbc",
         [] {
             std::string text = "BO_ 256 M: 8 X\n";
             for (std::size_t i = 0; i < limits::kDbcSignals; ++i)
                 text += i < static_cast<std::size_t>(limits::kLibraryMessages)
                             ? " SG_ S : 0|8@1+ (1,0) [0|1] \"\" X\n"
                             : " SG_ S : 0|8@1- (1,0) [0|1] \"\" X\n";
             return text;
         },
         Vx42ctl({"library", "import-dbc"})},
        // Hostile files that once took gigabytes, now refused (exit status 2).
        {"refused: srec2blu, 48 MiB of line feeds", "in.s19",
         [] { return std::string(limits::kSRecordFileBytes, '\n'); }, Vx42ctl({"srec2blu"})},
        {"refused: presets show, 1 MiB of empty preset blocks", "in.CFG",
         [] {
             std::string text;
             const std::string block = "<GaugePreset>\n</GaugePreset>\n";
             while (text.size() + block.size() <= limits::kPresetsFileBytes) text += block;
             return text;
         },
         Vx42ctl({"presets", "show"})},
        {"refused: library build, 60 MB of \"[\"", "in.json",
         [] { return std::string(60'000'000, '['); }, Vx42ctl({"library", "build"})},
    };
}

}  // namespace

// Runs the function in a child process; its exit status, and its peak resident set in MiB.
// The parent never holds an input, so what the child inherits stays small.
std::pair<int, double> InChild(const std::function<int()>& run) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        // What the command prints is not measured; a child that cannot silence it stops.
        if (!std::freopen("/dev/null", "w", stdout)) _exit(127);
        _exit(run());
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            static_cast<double>(usage.ru_maxrss) / 1024.0};
}

int main(int argc, char** argv) {
    const std::string filter = argc > 1 ? argv[1] : "";
    const fs::path folder = fs::temp_directory_path() / ("vx42-caps-" + std::to_string(getpid()));
    std::printf("%-52s %12s %12s %10s %6s\n", "Worst accepted input", "file bytes", "peak RSS MiB",
                "seconds", "status");
    for (const Case& c : Cases()) {
        if (c.name.find(filter) == std::string::npos) continue;
        fs::create_directories(folder);
        const fs::path input = folder / c.input, output = folder / "out";
        InChild([&] {
            std::ofstream(input, std::ios::binary) << c.bytes();
            return 0;
        });
        const auto start = std::chrono::steady_clock::now();
        const auto [status, peak] = InChild([&] { return c.read(input, output); });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-52s %12ju %12.1f %10.2f %6d\n", c.name.c_str(), fs::file_size(input), peak,
                    seconds, status);
        fs::remove_all(folder);
    }
    return 0;
}
