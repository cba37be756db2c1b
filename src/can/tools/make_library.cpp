// Builds an encrypted message library file from its JSON source:
//   vx42_make_library LIBRARY.json OUTPUT.DVM
// The messages are written exactly as the tool's own library writer writes them.

#include <filesystem>
#include <iostream>

#include "can/blowfish.h"
#include "can/library_files.h"
#include "can/library_json.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: vx42_make_library LIBRARY.json OUTPUT.DVM\n";
        return 2;
    }
    try {
        const vx42::CanLibrary library = vx42::ReadLibraryJsonFile(argv[1]);
        const std::filesystem::path output(argv[2]);
        if (output.has_parent_path()) std::filesystem::create_directories(output.parent_path());
        vx42::clsBlowfish cipher;
        if (!cipher.EncryptFile(vx42::WriteLibraryBytes(library), output.string(),
                                vx42::LibraryKey)) {
            std::cerr << "vx42_make_library: " << cipher.LastError() << "\n";
            return 1;
        }
        std::cout << output.string() << ": " << library.MessageCount() << " messages\n";
    } catch (const std::exception& e) {
        std::cerr << "vx42_make_library: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
