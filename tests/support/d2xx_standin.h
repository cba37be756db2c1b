#pragma once
// The driver stand-in's own controls (the simulator behind it configured, the memory of the
// module on a bridge read and written), reached through the same loaded library as the tool's
// driver back end: the same library, so the same simulator. Free of any test framework, for
// GoogleTest and QtTest programs alike.

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <optional>
#include <string>

#include "base/system_text.h"
#include "calibration/converters.h"  // Bytes

namespace vx42::test {

class D2xxStandIn {
  public:
    explicit D2xxStandIn(const std::string& library) : handle_(Open(library)) {
        if (!handle_) return;
        configure_ = reinterpret_cast<int (*)(const char*)>(Find("VX42Sim_Configure"));
        read_ = reinterpret_cast<int (*)(int, unsigned, unsigned char*, unsigned)>(
            Find("VX42Sim_ReadMemory"));
        write_ = reinterpret_cast<int (*)(int, unsigned, const unsigned char*, unsigned)>(
            Find("VX42Sim_WriteMemory"));
    }
    ~D2xxStandIn() {
#ifdef _WIN32
        if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
#else
        if (handle_) dlclose(handle_);
#endif
    }
    D2xxStandIn(const D2xxStandIn&) = delete;
    D2xxStandIn& operator=(const D2xxStandIn&) = delete;

    bool ok() const {
        return handle_ && configure_ && read_ && write_;
    }
    // The simulator's "key=value;..." settings; 0 when taken.
    int Configure(const std::string& settings) {
        return configure_(settings.c_str());
    }
    // Bytes of the module on `bridge`; nothing when the stand-in refuses.
    std::optional<Bytes> Read(unsigned address, unsigned n, int bridge = 1) {
        Bytes b(n);
        if (read_(bridge, address, b.data(), n) != 0) return std::nullopt;
        return b;
    }
    bool Write(unsigned address, const Bytes& b, int bridge = 1) {
        return write_(bridge, address, b.data(), static_cast<unsigned>(b.size())) == 0;
    }

  private:
    static void* Open(const std::string& library) {
#ifdef _WIN32
        auto path = PathFromUtf8(library);
        return LoadLibraryW(path.make_preferred().c_str());
#else
        return dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    }
    void (*Find(const char* name) const)() {
#ifdef _WIN32
        return reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
        return reinterpret_cast<void (*)()>(dlsym(handle_, name));
#endif
    }

    void* handle_;
    int (*configure_)(const char*) = nullptr;
    int (*read_)(int, unsigned, unsigned char*, unsigned) = nullptr;
    int (*write_)(int, unsigned, const unsigned char*, unsigned) = nullptr;
};

}  // namespace vx42::test
