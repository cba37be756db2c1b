// vx42ctl: the command-line side of the VX42 configuration tool.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "calibration/cal_image.h"
#include "calibration/converters.h"
#include "files/calibration_file.h"

namespace {

std::string Hex4(int address) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", address);
    return buf;
}

// Where the settings live, and what a calibration holds at each output's head.
void PrintMap(const vx42::CalImage& image) {
    const auto& m = vx42::CalAddresses();
    std::cout << "Calibration image: " << vx42::kCalImageSize << " bytes, module addresses "
              << Hex4(vx42::kCalBaseAddress) << " to " << Hex4(vx42::kCalBaseAddress + vx42::kCalImageLast)
              << "\n";
    for (int o = 0; o < vx42::kOutputs; ++o) {
        const auto& out = m.OutputCal[o];
        std::cout << "Output " << o + 1 << " at " << Hex4(out.FunctionFlags) << ": name \""
                  << image.Text(m.OutputName[o], vx42::width::OutputName) << "\", function byte 0x"
                  << vx42::ByteToHex(image.Byte(out.FunctionFlags)) << ", period "
                  << image.Word(out.Period) << ", table at " << Hex4(out.TableBlock) << "\n";
    }
    std::cout << "CAN speed at " << Hex4(m.CanSpeed) << ": " << image.Word(m.CanSpeed) << " kbit/s\n";
    for (int s = 0; s < vx42::kMessageSlots; ++s) {
        const auto& def = m.MessageDefSlot[s];
        std::cout << "Message slot " << s + 1 << " at " << Hex4(m.MessageSlot[s].CanId) << ": id "
                  << vx42::BytesToHex(image.CopyFromImage(vx42::ImageIndex(m.MessageSlot[s].CanId), 3))
                  << ", \"" << image.Text(def.LibraryName, vx42::width::LibraryName) << "\" / \""
                  << image.Text(def.MessageName, vx42::width::MessageName) << "\"\n";
    }
    std::cout << "Last laid-out setting ends at " << Hex4(m.End - 1) << "; the image carries one byte more.\n";
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vx42ctl: read and write VX42 calibrations, libraries and modules."};
    app.require_subcommand(1);

    std::string file;
    auto* map = app.add_subcommand("map", "Print the address map and the head of each output of a calibration "
                                          "file (or of a fresh, empty image).");
    map->add_option("FILE", file, "A calibration file (.DVF)");

    CLI11_PARSE(app, argc, argv);
    try {
        vx42::CalImage image;
        if (!file.empty()) {
            const auto read = vx42::ReadCalibrationFile(file);
            image = read.image;
            if (read.shortFile())
                std::cerr << "vx42ctl: " << file << " is short (" << read.fileLength
                          << " bytes); the rest of the image is 0\n";
        }
        PrintMap(image);
    } catch (const std::exception& e) {
        std::cerr << "vx42ctl: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
