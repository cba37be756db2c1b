// A stand-in for the vendor's driver library: the driver's C functions, answered by the module
// simulator. The simulator is configured from the environment variable VX42_SIM_CONFIG (the
// simulator's "key=value;..." settings) when first used, or by VX42Sim_Configure.

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "base/system_text.h"
#include "device/d2xx_api.h"
#include "device/sim/simulator.h"

#ifdef _WIN32
// The library is ftd2xx.dll: its exports are named, undecorated, by the module definition
// file the build writes, as the vendor's are.
#define VX42_EXPORT extern "C"
#else
#define VX42_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace vx42;
using namespace vx42::d2xx;

namespace {

std::mutex& GlobalMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<sim::Simulator>& GlobalSlot() {
    static std::shared_ptr<sim::Simulator> s;
    return s;
}

std::shared_ptr<sim::Simulator> Sim() {
    std::lock_guard lock(GlobalMutex());
    auto& slot = GlobalSlot();
    if (!slot) {
        sim::SimConfig config;
        if (const auto text = EnvironmentVariable("VX42_SIM_CONFIG"))
            if (auto parsed = sim::ParseSimConfig(*text)) config = std::move(*parsed);
        slot = std::make_shared<sim::Simulator>(std::move(config));
    }
    return slot;
}

int HandleOf(FT_HANDLE handle) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(handle));
}

FT_STATUS Out(FtStatus status) {
    return static_cast<FT_STATUS>(status);
}

FT_STATUS CopyOut(FtStatus status, const std::string& text, void* buffer) {
    if (status == ft::Ok) {
        // The driver's strings fit 64 bytes with their terminator.
        const std::size_t n = std::min<std::size_t>(text.size(), 63);
        std::memcpy(buffer, text.data(), n);
        static_cast<char*>(buffer)[n] = '\0';
    }
    return Out(status);
}

}  // namespace

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_ListDevices(void* pvArg1, void* pvArg2, DWORD dwFlags) {
    auto sim = Sim();
    if (dwFlags == FT_LIST_NUMBER_ONLY) {
        if (!pvArg1) return Out(ft::InvalidParameter);
        int count = 0;
        const FtStatus status = sim->ListCount(count);
        *static_cast<DWORD*>(pvArg1) = static_cast<DWORD>(count);
        return Out(status);
    }
    if ((dwFlags & FT_LIST_BY_INDEX) != 0 && pvArg2) {
        const int index = static_cast<int>(reinterpret_cast<std::uintptr_t>(pvArg1));
        std::string text;
        if ((dwFlags & ~FT_LIST_BY_INDEX) == FT_OPEN_BY_DESCRIPTION)
            return CopyOut(sim->ListDescription(index, text), text, pvArg2);
        if ((dwFlags & ~FT_LIST_BY_INDEX) == FT_OPEN_BY_SERIAL_NUMBER)
            return CopyOut(sim->ListSerial(index, text), text, pvArg2);
    }
    return Out(ft::InvalidParameter);
}

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_OpenEx(void* pvArg1, DWORD dwFlags, FT_HANDLE* pHandle) {
    if (!pvArg1 || !pHandle || dwFlags != FT_OPEN_BY_DESCRIPTION) return Out(ft::InvalidParameter);
    int handle = 0;
    const FtStatus status = Sim()->Open(static_cast<const char*>(pvArg1), handle);
    *pHandle = status == ft::Ok ? reinterpret_cast<FT_HANDLE>(static_cast<std::uintptr_t>(handle))
                                : nullptr;
    return Out(status);
}

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_SetBaudRate(FT_HANDLE ftHandle, ULONG dwBaudRate) {
    return Out(Sim()->SetBaudRate(HandleOf(ftHandle), dwBaudRate));
}

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_SetLatencyTimer(FT_HANDLE ftHandle, UCHAR ucTimer) {
    return Out(Sim()->SetLatencyTimer(HandleOf(ftHandle), ucTimer));
}

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_Purge(FT_HANDLE ftHandle, ULONG dwMask) {
    if ((dwMask & FT_PURGE_RX) == 0) return Out(ft::Ok);
    return Out(Sim()->Purge(HandleOf(ftHandle)));
}

// Some builds of the driver library lack it; a second stand-in is built without it.
#ifndef VX42_STANDIN_WITHOUT_SET_CHARS
VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_SetChars(FT_HANDLE ftHandle, UCHAR uEventCh,
                                                 UCHAR uEventChEn, UCHAR /*uErrorCh*/,
                                                 UCHAR /*uErrorChEn*/) {
    return Out(Sim()->SetEventChar(
        HandleOf(ftHandle), uEventChEn ? std::optional<std::uint8_t>(uEventCh) : std::nullopt));
}
#endif

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_Write(FT_HANDLE ftHandle, void* lpBuffer,
                                              DWORD dwBytesToWrite, DWORD* lpdwBytesWritten) {
    std::uint32_t written = 0;
    const FtStatus status = Sim()->Write(
        HandleOf(ftHandle), std::span(static_cast<const std::uint8_t*>(lpBuffer), dwBytesToWrite),
        written);
    if (lpdwBytesWritten) *lpdwBytesWritten = written;
    return Out(status);
}

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_Read(FT_HANDLE ftHandle, void* lpBuffer,
                                             DWORD dwBytesToRead, DWORD* lpdwBytesReturned) {
    std::uint32_t got = 0;
    const FtStatus status = Sim()->Read(
        HandleOf(ftHandle), std::span(static_cast<std::uint8_t*>(lpBuffer), dwBytesToRead), got);
    if (lpdwBytesReturned) *lpdwBytesReturned = got;
    return Out(status);
}

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_GetQueueStatus(FT_HANDLE ftHandle,
                                                       DWORD* lpdwAmountInRxQueue) {
    std::uint32_t queued = 0;
    const FtStatus status = Sim()->QueueStatus(HandleOf(ftHandle), queued);
    if (lpdwAmountInRxQueue) *lpdwAmountInRxQueue = queued;
    return Out(status);
}

VX42_EXPORT FT_STATUS VX42_D2XX_CALL FT_Close(FT_HANDLE ftHandle) {
    return Out(Sim()->Close(HandleOf(ftHandle)));
}

// Test controls.

// Replaces the simulator with one built from the settings text; 0 on success, -1 when the text
// is not understood (the simulator is then left as it was).
VX42_EXPORT int VX42Sim_Configure(const char* settings) {
    try {
        auto parsed = sim::ParseSimConfig(settings ? settings : "");
        if (!parsed) return -1;
        auto fresh = std::make_shared<sim::Simulator>(std::move(*parsed));
        std::lock_guard lock(GlobalMutex());
        GlobalSlot() = std::move(fresh);
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

VX42_EXPORT int VX42Sim_ReadMemory(int bridge, unsigned address, unsigned char* out,
                                   unsigned count) {
    try {
        const auto bytes =
            Sim()->Module(bridge).Read(static_cast<int>(address), static_cast<int>(count));
        std::memcpy(out, bytes.data(), bytes.size());
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

VX42_EXPORT int VX42Sim_WriteMemory(int bridge, unsigned address, const unsigned char* bytes,
                                    unsigned count) {
    try {
        Sim()->Module(bridge).Write(static_cast<int>(address), std::span(bytes, count));
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

VX42_EXPORT int VX42Sim_Exchanges() {
    return Sim()->Exchanges();
}

VX42_EXPORT int VX42Sim_DriverCalls() {
    return Sim()->DriverCalls();
}
