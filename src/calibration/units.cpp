// Unit families, their conversions and the labels shown beside converted values.
#include "calibration/units.h"

#include <array>

#include "base/trim.h"
#include "calibration/text_codec.h"

namespace vx42 {

double CelsiusToFahrenheit(double x) {
    return x * 1.8 + 32.0;
}
double FahrenheitToCelsius(double x) {
    return (x - 32.0) / 1.8;
}
double MphToKph(double x) {
    return x / 0.621371192;
}
double KphToMph(double x) {
    return x * 0.621371192;
}
double PsiToKpa(double x) {
    return x * 6.89475729316836;
}
double KpaToPsi(double x) {
    return x * 0.145037737730209;
}
double GramsPerSecToLbsPerHr(double x) {
    return x * 7.93664144;
}
double LbsPerHrToGramsPerSec(double x) {
    return x * 0.125997881;
}
double FtLbToNm(double x) {
    return x * 1.35582;
}
double NmToFtLb(double x) {
    return x * 0.737562;
}
double LitersToGallons(double x) {
    return x * 0.264172;
}
double GallonsToLiters(double x) {
    return x * 3.78541;
}

namespace {

using Conversion = double (*)(double);

struct Family {
    bool UnitFlags::*flag;
    const char* metric;
    const char* standard;
    Conversion metricToStandard;
    Conversion standardToMetric;
};

const std::array<Family, 6> kFamilies = {{
    {&UnitFlags::MetricTemperature, "°C", "°F", CelsiusToFahrenheit, FahrenheitToCelsius},
    {&UnitFlags::MetricSpeed, "KPH", "MPH", KphToMph, MphToKph},
    {&UnitFlags::MetricPressure, "kPa", "PSI", KpaToPsi, PsiToKpa},
    {&UnitFlags::MetricFlow, "g/sec", "lbs/hr", GramsPerSecToLbsPerHr, LbsPerHrToGramsPerSec},
    {&UnitFlags::MetricTorque, "N·m", "ft·lb", NmToFtLb, FtLbToNm},
    {&UnitFlags::MetricVolume, "l", "gal", LitersToGallons, GallonsToLiters},
}};

// Converts value in `unit` to the display unit (toDisplay) or back. A message in the
// metric unit is converted only when the user shows the standard one, and the other way round.
double Convert(double value, std::string_view messageUnit, const UnitFlags& flags, bool toDisplay) {
    const std::string unit = Trimmed(messageUnit);
    for (const auto& f : kFamilies) {
        const bool metricShown = flags.*(f.flag);
        if (unit == f.metric && !metricShown)
            return toDisplay ? f.metricToStandard(value) : f.standardToMetric(value);
        if (unit == f.standard && metricShown)
            return toDisplay ? f.standardToMetric(value) : f.metricToStandard(value);
    }
    return value;
}

}  // namespace

double ToDisplayUnits(double value, std::string_view messageUnit, const UnitFlags& flags) {
    return Convert(value, messageUnit, flags, true);
}

double FromDisplayUnits(double value, std::string_view messageUnit, const UnitFlags& flags) {
    return Convert(value, messageUnit, flags, false);
}

std::string DisplayUnitLabel(std::string_view messageUnit, const UnitFlags& flags) {
    for (const auto& f : kFamilies)
        if (messageUnit == f.metric || messageUnit == f.standard)
            return flags.*(f.flag) ? f.metric : f.standard;
    return std::string(messageUnit);
}

}  // namespace vx42
