#pragma once
// The demonstration calibration (built as Demo.DVF into the program folder): a sound
// calibration of all four kinds of output; and a damaged copy of it. Tests that use it are
// given the file's path as VX42_DEMO_DVF.

#include "calibration/outputs/output_tables.h"
#include "files/calibration_file.h"

namespace vx42::test {

inline CalImage DemoCalibration() {
    return ReadCalibrationFile(VX42_DEMO_DVF).image;
}

// Output 1's data breakpoints reversed and its duty cell at (row, col) at 150 %.
inline CalImage DamagedDemo(int row = 2, int col = 5) {
    CalImage image = DemoCalibration();
    const FormatContext raw;
    const OutputScope out{image, raw, 0};
    for (int c = 1; c <= 16; ++c)
        image.StoreWord(*CellAddress(out, TableGrid::Analog, 0, c), 4000 - c);
    image.StoreWord(*CellAddress(out, TableGrid::Analog, row, col), out.Period() * 1.5);
    return image;
}

}  // namespace vx42::test
