#pragma once
// Text between the core's UTF-8 strings and Qt's strings, the one conversion every window uses.

#include <QString>
#include <string>

namespace vx42 {

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
inline std::string S(const QString& s) {
    return s.toStdString();
}

}  // namespace vx42
