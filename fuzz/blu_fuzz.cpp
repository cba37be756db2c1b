// Bootloader upgrade files (.BLU), read from a file as the window reads them. The file is
// removed after each run, so neither a fuzzing session nor the corpus test leaves it behind.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "firmware/firmware_files.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("vx42_blu_fuzz_" + std::to_string(getpid()) + ".BLU"))
                                        .string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SilentPrompt prompt;
    BootImage image{0x55};
    const bool read = ReadBootImageFile(path, image, prompt);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    FUZZ_CHECK(read && prompt.MessagesShown() == 0);
    FUZZ_CHECK(image.size() == size + 1 && image.back() == 0x00);
    FUZZ_CHECK(std::equal(data, data + size, image.begin()));
    return 0;
}
