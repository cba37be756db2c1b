#pragma once
// Calibrations for the command-line tests, made with the image's own setters and written
// with the calibration file writer.

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "calibration/cal_image.h"
#include "calibration/converters.h"
#include "cli/cli_runner.h"
#include "files/calibration_file.h"

namespace vx42::test {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// The JSON printed by a run that must succeed.
inline nlohmann::json JsonOk(const std::vector<std::string>& args) {
    return nlohmann::json::parse(RunOk(args).out);
}

// How often `part` occurs in `text`.
inline std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A temporary folder for one test's input and output files.
class CliTest : public ::testing::Test {
  protected:
    std::string WriteText(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string WriteCalibration(const std::string& name, const CalImage& image) {
        const std::string path = dir.file(name);
        WriteCalibrationFile(path, image);
        return path;
    }
    TempDir dir;
};

// Output 1: a relay on engine speed (message slot 1, formatted, 0.5 rpm per count);
// output 2: an analog gauge on raw data with its table; output 3: a speedo/tach gauge;
// output 4: off.
inline CalImage SampleCalibration() {
    CalImage image;
    const auto& m = CalAddresses();
    image.StoreWord(m.CanSpeed, 500);

    const auto& o1 = m.OutputCal[0];
    image.StoreText(m.OutputName[0], width::OutputName, "Kühler Fan");
    image.SetByte(o1.FunctionFlags, 0x1C);  // relay, drives to voltage and to ground
    image.StoreWord(o1.Period, 250);
    image.SetByte(m.ShowFormatted[0], 1);
    const auto& ds = o1.DataSource[0];
    image.SetByte(ds.MessageSlot, 1);
    image.SetByte(ds.ByteIndex, 2);
    image.SetByte(ds.BitLength, 16);
    image.SetByte(ds.FilterSize, 4);
    image.SetByte(ds.SamplePeriod, 0);
    image.StoreWord(o1.PrimaryBlock, 2000);      // On A
    image.StoreWord(o1.PrimaryBlock + 2, 1800);  // Off A

    const auto& slot = m.MessageSlot[0];
    const std::uint8_t reg[] = {0xC7, 0xFD, 0xE2, 0x00};
    image.CopyIntoImage(reg, ImageIndex(slot.CanId));
    image.SetByte(slot.DataLength, 8);
    image.StoreWord(slot.Timeout, 1000);
    const auto& def = m.MessageDefSlot[0];
    image.StoreText(def.LibraryName, width::LibraryName, "Engine");
    image.StoreText(def.MessageName, width::MessageName, "Engine Speed");
    image.StoreText(def.Description, width::Description, "Crankshaft speed");
    image.StoreText(def.Unit, width::Unit, "rpm");
    image.StoreDouble(def.Multiplier, 0.5);
    image.StoreLong(def.Offset, 0);

    const auto& o2 = m.OutputCal[1];
    image.StoreText(m.OutputName[1], width::OutputName, "Fuel");
    image.SetByte(o2.FunctionFlags, 0x02);
    image.StoreWord(o2.Period, 1000);
    for (int i = 0; i < 16; ++i) image.StoreWord(o2.PrimaryBlock + 2 * i, 100 * i);
    const unsigned battery[] = {595, 743, 892, 1043, 1192, 1341};
    for (int r = 0; r < 6; ++r) image.StoreWord(o2.SecondaryBlock + 2 * r, battery[r]);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 16; ++c) image.StoreWord(o2.TableBlock + 32 * r + 2 * c, 10 * c);
    image.StoreWord(o2.TableBlock + 32 * 1 + 2 * 2, 500);  // row 2, column 3: 50.0 %

    const auto& o3 = m.OutputCal[2];
    image.StoreText(m.OutputName[2], width::OutputName, "Speedo");
    image.SetByte(o3.FunctionFlags, 0x20);
    for (int i = 0; i < 16; ++i) image.StoreWord(o3.PrimaryBlock + 2 * i, 50 * i);
    for (int c = 0; c < 16; ++c) image.StoreWord(o3.TableBlock + 2 * c, 100 * c);

    image[kCalImageLast] = 0x5A;
    return image;
}

// Every byte random, then every text field a random blank-padded text without leading or
// trailing blanks, and the multipliers finite or canonical special values: an image that
// "show" followed by "build" must give back byte for byte.
inline CalImage RandomPaddedCalibration(unsigned seed) {
    std::mt19937 rng(seed);
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(rng());
    const auto fill = [&](int address, int width) {
        const int length = static_cast<int>(rng() % (width + 1));
        for (int k = 0; k < width; ++k)
            image.SetByte(address + k,
                          k < length ? static_cast<std::uint8_t>(0x21 + rng() % 0xDF) : 0x20);
    };
    const auto& m = CalAddresses();
    for (int o = 0; o < kOutputs; ++o) fill(m.OutputName[o], width::OutputName);
    const double specials[] = {0.1, -0.0, 1e-300, 6553.5, std::nan(""), -INFINITY, 1.0 / 3, 2.5e17};
    for (int s = 0; s < kMessageSlots; ++s) {
        const auto& def = m.MessageDefSlot[s];
        fill(def.LibraryName, width::LibraryName);
        fill(def.MessageName, width::MessageName);
        fill(def.Description, width::Description);
        fill(def.Unit, width::Unit);
        image.StoreDouble(def.Multiplier, specials[s]);
    }
    return image;
}

// A firmware file: header (count, 8 identification bytes, version and information
// addresses), then per record type, length, address and data; numbers least significant
// byte first.
inline std::string FirmwareFile(int count,
                                const std::vector<std::pair<int, std::string>>& records) {
    std::string out(1, static_cast<char>(count));
    out += "\x01\x02\x03\x04\xA5\xB6\xC7\xD8";
    const auto append = [&out](std::int32_t v) {
        for (auto b : LongToBytes(v)) out += static_cast<char>(b);
    };
    append(0x8010);
    append(0x8013);
    for (const auto& [address, data] : records) {
        out += '\x07';
        append(static_cast<std::int32_t>(data.size()));
        append(address);
        out += data;
    }
    return out;
}

}  // namespace vx42::test
