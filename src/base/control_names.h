#pragma once
// The naming rule for controls that form an array (one per output, data source, field or
// option): the array's name, "_" and the index from 0, as in "cmbLibrary_0" or
// "txtEditMess_3". The windows name such controls by it, and whatever points at a control by
// name (calibration check findings, tests) builds the name the same way.

#include <string>
#include <string_view>

namespace vx42 {

inline std::string IndexedName(std::string_view array, int index) {
    return std::string(array) + "_" + std::to_string(index);
}

}  // namespace vx42
