// The simulator's settings as text ("bridge=...;version=2.1.0;drop=0.01;..."), the way
// vx42ctl's --sim option and the window's simulated module name them.

#include <string>
#include <string_view>

#include "base/numbers.h"
#include "base/result.h"
#include "base/trim.h"
#include "device/sim/simulator.h"

namespace vx42::sim {
namespace {

double Number(const std::string& key, const std::string& value) {
    if (const auto number = ReadNumber(value)) return *number;
    throw Failure{"simulator setting " + key + ": not a number: " + value};
}

Fault FaultNamed(const std::string& name) {
    for (Fault f : {Fault::Drop, Fault::CorruptChecksum, Fault::CutShort, Fault::Late, Fault::Stale,
                    Fault::Unplug})
        if (FaultName(f) == name) return f;
    throw Failure{"unknown simulator fault: " + name};
}

// "SLOT:WORD/WORD/...": a message slot from 1 to 8 and the status words its reads give.
void ReadCanTraffic(const std::string& value, SimConfig& c) {
    const auto colon = value.find(':');
    const auto slot =
        colon == std::string::npos ? std::nullopt : ReadUnsigned(value.substr(0, colon), 10, 8);
    if (!slot || *slot < 1)
        throw Failure{"can wants SLOT:WORD/WORD/... with slot 1 to 8: " + value};
    std::vector<std::uint16_t> words;
    for (const std::string_view piece :
         TrimmedPieces(std::string_view(value).substr(colon + 1), "/")) {
        const auto word = ReadUnsigned(piece, 10, 0xFFFF);
        if (!word) throw Failure{"can wants status words from 0 to 65535: " + value};
        words.push_back(static_cast<std::uint16_t>(*word));
    }
    c.canTraffic[static_cast<int>(*slot) - 1] = std::move(words);
}

}  // namespace

std::string_view FaultName(Fault fault) {
    switch (fault) {
        case Fault::None:
            return "none";
        case Fault::Drop:
            return "drop";
        case Fault::CorruptChecksum:
            return "corrupt";
        case Fault::CutShort:
            return "short";
        case Fault::Late:
            return "late";
        case Fault::Stale:
            return "stale";
        case Fault::Unplug:
            return "unplug";
    }
    return "none";
}

namespace {

// The settings item by item; the first that cannot be read throws its Failure.
SimConfig ParseItems(std::string_view text) {
    SimConfig c;
    bool ownBridges = false;
    for (const std::string_view piece : TrimmedPieces(text, ";\n")) {
        const std::string item(piece);
        if (item.empty()) continue;
        const auto eq = item.find('=');
        if (eq == std::string::npos) throw Failure{"simulator setting without '=': " + item};
        const std::string key(Trim(item.substr(0, eq)));
        const std::string value(Trim(item.substr(eq + 1)));
        if (key == "bridge") {
            const auto bar = value.find('|');
            if (bar == std::string::npos)
                throw Failure{"bridge wants DESCRIPTION|SERIAL: " + value};
            if (!ownBridges) c.bridges.clear();
            ownBridges = true;
            c.bridges.push_back({value.substr(0, bar), value.substr(bar + 1)});
        } else if (key == "version") {
            const auto v = ReadVersion(value, 3, 255);
            if (!v) throw Failure{"version wants major.minor.revision: " + value};
            c.version = {static_cast<std::uint8_t>((*v)[0]), static_cast<std::uint8_t>((*v)[1]),
                         static_cast<std::uint8_t>((*v)[2])};
        } else if (key == "seed") {
            c.seed = static_cast<std::uint32_t>(Number(key, value));
        } else if (key == "drop") {
            c.rates.drop = Number(key, value);
        } else if (key == "corrupt") {
            c.rates.corrupt = Number(key, value);
        } else if (key == "short") {
            c.rates.cutShort = Number(key, value);
        } else if (key == "late") {
            c.rates.late = Number(key, value);
        } else if (key == "stale") {
            c.rates.stale = Number(key, value);
        } else if (key == "unplug") {
            c.rates.unplug = Number(key, value);
        } else if (key == "fault") {
            const auto at = value.find('@');
            if (at == std::string::npos) throw Failure{"fault wants KIND@EXCHANGE: " + value};
            c.faultsAt[static_cast<int>(Number(key, value.substr(at + 1)))] =
                FaultNamed(value.substr(0, at));
        } else if (key == "timing") {
            if (value != "on" && value != "off") throw Failure{"timing wants on or off: " + value};
            c.timing.enabled = value == "on";
        } else if (key == "turnaround") {
            c.timing.turnaroundSeconds = Number(key, value);
        } else if (key == "late-seconds") {
            c.lateSeconds = Number(key, value);
        } else if (key == "state") {
            c.statePath = value;
        } else if (key == "can") {
            ReadCanTraffic(value, c);
        } else {
            throw Failure{"unknown simulator setting: " + key};
        }
    }
    return c;
}

}  // namespace

Result<SimConfig> ParseSimConfig(std::string_view text) {
    try {
        return ParseItems(text);
    } catch (const Failure& failure) {
        return failure;
    }
}

}  // namespace vx42::sim
