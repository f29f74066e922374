// The control functions of the simulated RAID library, resolved from a loaded
// copy of it: opened by the path the provider loaded it from, they steer the
// very library the provider uses. Header only; the program that includes it
// has the raidlib and simvrlib folders on its include path.
#pragma once

#include <dlfcn.h>

#include <string>

#include "VrlRecords.h"
#include "VrlSimControl.h"

namespace orv::test {

#define ORV_SIM_FUNCTIONS(X)                                                                                     \
    X(VrlSimReset) X(VrlSimLoadTopologyText) X(VrlSimSetProperty) X(VrlSimGetProperty) X(VrlSimAddDisk)       \
    X(VrlSimPullDisk) X(VrlSimInjectEvent) X(VrlSimFailOpcode) X(VrlSimClearFailures) X(VrlSimHoldOpcode)     \
    X(VrlSimHeldCalls) X(VrlSimCallCount) X(VrlSimGetCall) X(VrlSimClearCallLog) X(VrlSimAdvanceCommands)     \
    X(VrlSimWaitEventsDrained) X(VrlSimWaitIdle) X(VrlSimLastError)

struct SimControl {
    void* handle = nullptr;
    VrlInvokeMethodFn invoke = nullptr;
#define ORV_SIM_FUNCTION(name) decltype(&::name) name = nullptr;
    ORV_SIM_FUNCTIONS(ORV_SIM_FUNCTION)
#undef ORV_SIM_FUNCTION

    bool open(const std::string& path) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return false;
#define ORV_SIM_RESOLVE(name) name = reinterpret_cast<decltype(name)>(dlsym(handle, #name));
        ORV_SIM_FUNCTIONS(ORV_SIM_RESOLVE)
#undef ORV_SIM_RESOLVE
        invoke = reinterpret_cast<VrlInvokeMethodFn>(dlsym(handle, "VrlInvokeMethod"));
        return invoke != nullptr;
    }
    void close() {
        if (handle != nullptr) dlclose(handle);
        handle = nullptr;
    }
    std::string lastError() const {
        char text[256] = {};
        VrlSimLastError(text, sizeof text);
        return text;
    }
    // A record field by name, or the library's complaint in angle brackets.
    std::string property(int kind, uint32_t contrId, uint32_t id, const char* name) const {
        char value[256] = {};
        if (VrlSimGetProperty(kind, contrId, id, name, value, sizeof value) != 0) return "<" + lastError() + ">";
        return value;
    }
};

#undef ORV_SIM_FUNCTIONS

}  // namespace orv::test
