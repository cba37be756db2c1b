// The relay drive of an output.
#include "calibration/outputs/relay_drive.h"

#include "calibration/converters.h"
#include "calibration/outputs/output_function.h"

namespace vx42 {
namespace {

// The two click tables differ only in which value of the swap bit gives the chosen state
// voltage: Off is voltage with the swap bit set, On with it clear.
std::uint8_t Click(std::uint8_t b, Drive chosen, Drive other, bool swapForVoltage) {
    const auto swap = [&](bool set) {
        b = set ? SetBit(b, fbit::DriveSwap) : ClearBit(b, fbit::DriveSwap);
    };
    switch (chosen) {
        case Drive::Voltage:
            b = SetBit(b, fbit::DriveVoltage);
            swap(swapForVoltage);
            // Two voltages become voltage and ground.
            b = other == Drive::Open ? ClearBit(b, fbit::DriveGround)
                                     : SetBit(b, fbit::DriveGround);
            break;
        case Drive::Ground:
            b = SetBit(b, fbit::DriveGround);
            swap(!swapForVoltage);
            // Two grounds become ground and open.
            b = other == Drive::Voltage ? SetBit(b, fbit::DriveVoltage)
                                        : ClearBit(b, fbit::DriveVoltage);
            break;
        case Drive::Open:
            if (other == Drive::Voltage) {
                b = ClearBit(b, fbit::DriveGround);
            } else if (other == Drive::Ground) {
                b = ClearBit(b, fbit::DriveVoltage);
            } else {  // two opens become open and voltage
                b = SetBit(b, fbit::DriveVoltage);
                swap(!swapForVoltage);
                b = ClearBit(b, fbit::DriveGround);
            }
            break;
    }
    return b;
}

DriveStates StoreDrive(const OutputEdit& out, std::uint8_t flags) {
    out.edit.StoreAndWriteByte(out.Scope().Cal().FunctionFlags, flags);
    return DriveStatesOf(flags);
}

}  // namespace

DriveStates DriveStatesOf(std::uint8_t f) {
    const bool swap = IsBitSet(f, fbit::DriveSwap);
    const bool voltage = IsBitSet(f, fbit::DriveVoltage);
    const bool ground = IsBitSet(f, fbit::DriveGround);
    DriveStates s{Drive::Open, Drive::Open};
    if (!swap && voltage) s.on = Drive::Voltage;
    if (swap && ground) s.on = Drive::Ground;
    if (swap && voltage) s.off = Drive::Voltage;
    if (!swap && ground) s.off = Drive::Ground;
    return s;
}

std::uint8_t ClickOff(std::uint8_t functionFlags, Drive chosen, Drive currentOn) {
    return Click(functionFlags, chosen, currentOn, true);
}

std::uint8_t ClickOn(std::uint8_t functionFlags, Drive chosen, Drive currentOff) {
    return Click(functionFlags, chosen, currentOff, false);
}

DriveStates StoreDriveOff(const OutputEdit& out, Drive chosen, Drive currentOn) {
    return StoreDrive(out, ClickOff(out.Scope().FunctionFlags(), chosen, currentOn));
}

DriveStates StoreDriveOn(const OutputEdit& out, Drive chosen, Drive currentOff) {
    return StoreDrive(out, ClickOn(out.Scope().FunctionFlags(), chosen, currentOff));
}

}  // namespace vx42
