// Loading the Libraries folder: 100 library files of 500 messages each, decrypted, parsed
// and set up with the user's own library, as at start-up.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "base/scripted_prompt.h"
#include "can/blowfish.h"
#include "can/library_files.h"

namespace {

struct Folder {
    std::filesystem::path path;

    Folder(int files, int messages) {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() / ("vx42-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(path);
        vx42::clsBlowfish cipher;
        for (int f = 0; f < files; ++f) {
            vx42::CanLibrary library = vx42::NewLibrary("");
            for (int m = 0; m < messages; ++m) {
                vx42::CanMessage message;
                message.CanId = 0x18FEF100 + m;
                message.Name = "Signal " + std::to_string(m);
                message.Description = "Benchmark message " + std::to_string(f * messages + m);
                message.DataLength = 8;
                message.BitLength = 16;
                message.Multiplier = 0.125;
                message.Unit = "RPM";
                library.Messages.push_back(message);
            }
            cipher.EncryptFile(vx42::WriteLibraryBytes(library),
                               (path / ("Library_" + std::to_string(f) + ".DVM")).string(),
                               vx42::LibraryKey);
        }
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void BM_SetupLibraries(benchmark::State& state) {
    const Folder folder(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    vx42::ScriptedPrompt prompt;
    for (auto _ : state) {
        vx42::LibrarySet set;
        vx42::SetupLibraries(set, folder.path.string(), prompt);
        benchmark::DoNotOptimize(set.MessageLibraries.data());
        if (set.MessageLibraries.size() != static_cast<std::size_t>(state.range(0)) + 1)
            state.SkipWithError("libraries missing");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_SetupLibraries)->Args({100, 500})->Args({10, 500})->Unit(benchmark::kMillisecond);

void BM_DecryptOneLibrary(benchmark::State& state) {
    vx42::CanLibrary library = vx42::NewLibrary("");
    library.Messages.resize(500);
    const auto plain = vx42::WriteLibraryBytes(library);
    vx42::clsBlowfish cipher;
    auto framed = plain;
    cipher.EncryptByte(framed, vx42::LibraryKey);
    for (auto _ : state) {
        auto bytes = framed;
        benchmark::DoNotOptimize(cipher.DecryptByte(bytes, vx42::LibraryKey));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(framed.size()));
}
BENCHMARK(BM_DecryptOneLibrary)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
