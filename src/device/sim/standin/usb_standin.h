#pragma once
// A stand-in for the USB host below libftdi1: it defines libusb's functions, so that
// libftdi1 (and the libftdi1 back end) talks to emulated USB-serial bridges with the module
// simulator behind them. Each of the simulator's bridges is an FTDI chip (vendor 0403, a
// product id libftdi1 searches for, its description and serial number as USB strings, a
// full-speed bulk pair of 64-byte packets) that answers libftdi1's control requests and
// records them. Bytes go to the simulator and come back with its timing: every packet to the
// host starts with the chip's two modem-status bytes, and when the chip has nothing to send it
// sends those two bytes alone once its latency timer runs out.
//
// In a test program that links it (its libusb functions exported), Attach puts a simulator on
// the bus. Loaded ahead of libusb into another program (LD_PRELOAD), it builds its simulator
// from VX42_SIM_CONFIG (the simulator's settings) and the bus from VX42_USB_CONFIG (below).

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "device/sim/simulator.h"

namespace vx42::sim::usb {

// The chip's data format as its data request sets it: data bits, parity << 8, stop bits << 11.
inline constexpr std::uint16_t kLine8N1 = 0x0008;
inline constexpr std::uint16_t kLine7E1 = 0x0207;

struct ChipSetup {
    std::uint16_t product = 0x6001;
    std::uint16_t line = kLine8N1;  // kept across resets and opens, as the chip does
    bool accessDenied = false;      // the device node refuses this user
    bool kernelDriver = false;      // the kernel's serial driver holds the interface
};

struct BusSetup {
    bool usbUnreachable = false;  // libusb cannot start (no usbfs)
    // Whether an idle chip sends its status bytes when the latency timer runs out; without
    // them a read with nothing to deliver ends with libusb's time-out.
    bool statusPackets = true;
    std::vector<ChipSetup> chips;  // by the simulator's bridge index; missing ones are default
    int otherDevices = 0;          // devices of other makers on the bus
};

// "key=value" items separated by ";": usb=off, status-packets=off, others=N, and for a chip
// by its bridge index: line=N:7E1|8N1, product=N:6010, deny=N, kernel-driver=N. Throws
// std::invalid_argument.
BusSetup ParseBusSetup(std::string_view text);

// One control request as the chip received it.
struct ControlRequest {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
};

// The chip's requests (libftdi1's numbering).
namespace request {
constexpr std::uint8_t Reset = 0;  // value 0 reset, 1 flush to the module, 2 flush to the host
constexpr std::uint8_t ModemControl = 1;
constexpr std::uint8_t FlowControl = 2;
constexpr std::uint8_t BaudRate = 3;
constexpr std::uint8_t Data = 4;
constexpr std::uint8_t EventChar = 6;
constexpr std::uint8_t LatencyTimer = 9;
}  // namespace request

// Puts the simulator's bridges on the emulated bus (replacing what was there).
void Attach(std::shared_ptr<Simulator> simulator, BusSetup setup = {});
// Takes everything off the bus.
void Detach();

// What a chip was told since it was attached.
std::vector<ControlRequest> Requests(int bridge);
std::uint16_t Line(int bridge);
bool KernelDriverAttached(int bridge);
// The baud rate a divisor request sets (value and index as sent to a chip of the R series).
double BaudFromDivisor(std::uint16_t value, std::uint16_t index);

}  // namespace vx42::sim::usb
