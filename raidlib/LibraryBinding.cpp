#include "LibraryBinding.h"

#include <dlfcn.h>

namespace orv::raidlib {

LibraryBinding::LoadResult LibraryBinding::load(const std::string& path, const char* entryName) {
    lastError_.clear();
    if (module_ == nullptr) {
        module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module_ == nullptr) {
            const char* reason = dlerror();
            lastError_ = reason ? reason : "unknown reason";
            return LoadResult::ModuleMissing;
        }
    }
    void* symbol = dlsym(module_, entryName);
    if (symbol == nullptr) {
        const char* reason = dlerror();
        lastError_ = reason ? reason : "unknown reason";
        return LoadResult::EntryMissing;
    }
    std::lock_guard<std::mutex> lock(gate_);
    entry_ = reinterpret_cast<VrlInvokeMethodFn>(symbol);
    return LoadResult::Loaded;
}

bool LibraryBinding::unload() {
    {
        std::unique_lock<std::mutex> lock(gate_);
        entry_ = nullptr;
        idle_.wait(lock, [this] { return callsInFlight_ == 0; });
    }
    if (module_ == nullptr) return true;
    const bool closed = dlclose(module_) == 0;
    module_ = nullptr;
    return closed;
}

uint32_t LibraryBinding::call(uint32_t opcode, void* in, void* out) const {
    VrlInvokeMethodFn entry;
    {
        std::lock_guard<std::mutex> lock(gate_);
        entry = entry_;
        if (entry == nullptr) return VrlStatus::LibraryUnusable;
        ++callsInFlight_;
    }
    const uint32_t status = entry(opcode, in, out);
    {
        std::lock_guard<std::mutex> lock(gate_);
        --callsInFlight_;
    }
    idle_.notify_all();
    return status;
}

}  // namespace orv::raidlib
