#pragma once
// Our declarations of the vendor driver library's C interface, written from the driver's
// published programmer's guide: its integer types (on Linux the library's own 32-bit DWORD and
// ULONG, FT_HANDLE a pointer), flags and the signatures of the functions the link uses. The
// library is loaded at run time, never linked.

#include <cstdint>

#ifdef _WIN32
#define VX42_D2XX_CALL __stdcall
#else
#define VX42_D2XX_CALL
#endif

namespace vx42::d2xx {

#ifdef _WIN32
using DWORD = unsigned long;
using ULONG = unsigned long;
#else
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
#endif
using UCHAR = unsigned char;
using FT_HANDLE = void*;
using FT_STATUS = ULONG;

constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000;
constexpr DWORD FT_LIST_BY_INDEX = 0x40000000;
constexpr DWORD FT_LIST_ALL = 0x20000000;
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
constexpr ULONG FT_PURGE_RX = 1;
constexpr ULONG FT_PURGE_TX = 2;

extern "C" {
using FT_ListDevicesFn = FT_STATUS(VX42_D2XX_CALL*)(void* pvArg1, void* pvArg2, DWORD dwFlags);
using FT_OpenExFn = FT_STATUS(VX42_D2XX_CALL*)(void* pvArg1, DWORD dwFlags, FT_HANDLE* pHandle);
using FT_SetBaudRateFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle, ULONG dwBaudRate);
using FT_SetLatencyTimerFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle, UCHAR ucTimer);
using FT_PurgeFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle, ULONG dwMask);
using FT_WriteFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle, void* lpBuffer,
                                              DWORD dwBytesToWrite, DWORD* lpdwBytesWritten);
using FT_ReadFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle, void* lpBuffer,
                                             DWORD dwBytesToRead, DWORD* lpdwBytesReturned);
using FT_GetQueueStatusFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle,
                                                       DWORD* lpdwAmountInRxQueue);
// Optional: not every build of the library exports it.
using FT_SetCharsFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle, UCHAR uEventCh,
                                                 UCHAR uEventChEn, UCHAR uErrorCh,
                                                 UCHAR uErrorChEn);
using FT_CloseFn = FT_STATUS(VX42_D2XX_CALL*)(FT_HANDLE ftHandle);
}

// Description and serial number buffers handed to FT_ListDevices: room for the longest string
// the driver returns and its terminator.
constexpr int kDescriptionBuffer = 256;
constexpr int kSerialBuffer = 64;

}  // namespace vx42::d2xx
