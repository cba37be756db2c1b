// The vendor driver library as a back end, loaded by name at run time.
#include "device/d2xx_bridge.h"

#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "base/system_text.h"
#else
#include <dlfcn.h>
#endif

namespace vx42 {
namespace {

using namespace d2xx;

void* LoadLibraryNamed(const std::string& name) {
#ifdef _WIN32
    // A bare name is searched for the system's way (the program's folder, the system folders,
    // PATH); a path is taken in UTF-8, with either separator.
    auto path = PathFromUtf8(name);
    path.make_preferred();
    return reinterpret_cast<void*>(LoadLibraryW(path.c_str()));
#else
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void UnloadLibrary(void* library) {
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

template <typename Fn>
bool Bind(void* library, const char* name, Fn& fn) {
#ifdef _WIN32
    // Through a plain function pointer: the entry point's real type is Fn, not FARPROC's.
    fn = reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(reinterpret_cast<HMODULE>(library), name)));
#else
    fn = reinterpret_cast<Fn>(dlsym(library, name));
#endif
    return fn != nullptr;
}

FtStatus ToStatus(FT_STATUS status) {
    return static_cast<FtStatus>(status);
}

}  // namespace

bool D2xxLibraryLoads(const std::string& library) {
    void* handle = LoadLibraryNamed(library);
    if (!handle) return false;
    UnloadLibrary(handle);
    return true;
}

D2xxBridge::D2xxBridge(const std::string& library) : libraryName_(library) {
    Load();
}

void D2xxBridge::Load() {
    if (library_) UnloadLibrary(library_);
    library_ = LoadLibraryNamed(libraryName_);
    bound_ = false;
    setChars_ = nullptr;
    if (!library_) return;
    bound_ =
        Bind(library_, "FT_ListDevices", listDevices_) && Bind(library_, "FT_OpenEx", openEx_) &&
        Bind(library_, "FT_SetBaudRate", setBaudRate_) &&
        Bind(library_, "FT_SetLatencyTimer", setLatencyTimer_) &&
        Bind(library_, "FT_Purge", purge_) && Bind(library_, "FT_Write", write_) &&
        Bind(library_, "FT_Read", read_) && Bind(library_, "FT_GetQueueStatus", getQueueStatus_) &&
        Bind(library_, "FT_Close", close_);
    if (bound_) Bind(library_, "FT_SetChars", setChars_);
}

bool D2xxBridge::DriverPresent() {
    // Looked for again at each open, so a driver installed while the tool runs is found.
    if (!bound_) Load();
    return bound_;
}

D2xxBridge::~D2xxBridge() {
    if (bound_ && handle_) close_(handle_);
    if (library_) UnloadLibrary(library_);
}

FtStatus D2xxBridge::DeviceCount(int& count) {
    count = 0;
    if (!bound_) return ft::OtherError;
    DWORD number = 0;
    const FtStatus status = ToStatus(listDevices_(&number, nullptr, FT_LIST_NUMBER_ONLY));
    if (status == ft::Ok) count = static_cast<int>(number);
    return status;
}

FtStatus D2xxBridge::ListString(int index, DWORD kind, int bufferSize, std::string& out) {
    if (!bound_) return ft::OtherError;
    std::vector<char> buffer(static_cast<std::size_t>(bufferSize), '\0');
    void* byIndex = reinterpret_cast<void*>(static_cast<std::uintptr_t>(index));
    const FtStatus status = ToStatus(listDevices_(byIndex, buffer.data(), FT_LIST_BY_INDEX | kind));
    if (status == ft::Ok) out.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return status;
}

FtStatus D2xxBridge::Description(int index, std::string& description) {
    return ListString(index, FT_OPEN_BY_DESCRIPTION, kDescriptionBuffer, description);
}

FtStatus D2xxBridge::SerialNumber(int index, std::string& serial) {
    return ListString(index, FT_OPEN_BY_SERIAL_NUMBER, kSerialBuffer, serial);
}

FtStatus D2xxBridge::OpenByDescription(const std::string& description) {
    if (!bound_) return ft::OtherError;
    std::vector<char> text(description.begin(), description.end());
    text.push_back('\0');
    FT_HANDLE handle = nullptr;
    const FtStatus status = ToStatus(openEx_(text.data(), FT_OPEN_BY_DESCRIPTION, &handle));
    if (status == ft::Ok) handle_ = handle;
    return status;
}

FtStatus D2xxBridge::SetBaudRate(std::uint32_t baud) {
    if (!bound_) return ft::OtherError;
    return ToStatus(setBaudRate_(handle_, static_cast<ULONG>(baud)));
}

FtStatus D2xxBridge::SetLatencyTimer(std::uint8_t milliseconds) {
    if (!bound_) return ft::OtherError;
    return ToStatus(setLatencyTimer_(handle_, milliseconds));
}

FtStatus D2xxBridge::PurgeReceive() {
    if (!bound_) return ft::OtherError;
    return ToStatus(purge_(handle_, FT_PURGE_RX));
}

FtStatus D2xxBridge::SetEventChar(std::optional<std::uint8_t> eventChar) {
    if (!bound_) return ft::OtherError;
    if (!setChars_) return ft::NotSupported;
    return ToStatus(setChars_(handle_, eventChar.value_or(0), eventChar ? 1 : 0, 0, 0));
}

FtStatus D2xxBridge::Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) {
    written = 0;
    if (!bound_) return ft::OtherError;
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());  // the driver takes a void*
    DWORD done = 0;
    const FtStatus status =
        ToStatus(write_(handle_, copy.data(), static_cast<DWORD>(copy.size()), &done));
    written = static_cast<std::uint32_t>(done);
    return status;
}

FtStatus D2xxBridge::Read(std::span<std::uint8_t> into, std::uint32_t& got) {
    got = 0;
    if (!bound_) return ft::OtherError;
    DWORD done = 0;
    const FtStatus status =
        ToStatus(read_(handle_, into.data(), static_cast<DWORD>(into.size()), &done));
    got = static_cast<std::uint32_t>(done);
    return status;
}

FtStatus D2xxBridge::QueueStatus(std::uint32_t& queued) {
    queued = 0;
    if (!bound_) return ft::OtherError;
    DWORD n = 0;
    const FtStatus status = ToStatus(getQueueStatus_(handle_, &n));
    queued = static_cast<std::uint32_t>(n);
    return status;
}

FtStatus D2xxBridge::Close() {
    if (!bound_) return ft::OtherError;
    const FtStatus status = ToStatus(close_(handle_));
    if (status == ft::Ok) handle_ = nullptr;
    return status;
}

}  // namespace vx42
