#pragma once
// Unit families, their conversions and the labels shown beside converted values.
// Unit texts are UTF-8 ("°C", "N·m").

#include <string>
#include <string_view>

namespace vx42 {

// The user's choice per family: true shows the metric unit, false the standard unit.
struct UnitFlags {
    bool MetricTemperature = false;
    bool MetricSpeed = false;
    bool MetricPressure = false;
    bool MetricFlow = false;
    bool MetricTorque = false;
    bool MetricVolume = false;

    bool operator==(const UnitFlags&) const = default;
    static UnitFlags AllMetric() { return {true, true, true, true, true, true}; }
};

double CelsiusToFahrenheit(double x);
double FahrenheitToCelsius(double x);
double MphToKph(double x);
double KphToMph(double x);
double PsiToKpa(double x);
double KpaToPsi(double x);
double GramsPerSecToLbsPerHr(double x);
double LbsPerHrToGramsPerSec(double x);
double FtLbToNm(double x);
double NmToFtLb(double x);
double LitersToGallons(double x);
double GallonsToLiters(double x);

// From a message's unit to the unit the user chose. The unit text is trimmed first;
// a unit of no family passes through unchanged.
double ToDisplayUnits(double value, std::string_view messageUnit, const UnitFlags& flags);
// From the unit the user chose back to the message's unit.
double FromDisplayUnits(double value, std::string_view messageUnit, const UnitFlags& flags);
// The unit shown beside a converted value.
std::string DisplayUnitLabel(std::string_view messageUnit, const UnitFlags& flags);

}  // namespace vx42
