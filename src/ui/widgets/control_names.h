#pragma once
// Object names of controls in an array, in the one form every window uses ("name_index").

#include <QString>

#include "base/control_names.h"

namespace vx42 {

inline QString Indexed(const char* array, int index) {
    return QString::fromStdString(IndexedName(array, index));
}

}  // namespace vx42
