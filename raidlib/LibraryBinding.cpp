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
    entry_.store(reinterpret_cast<VrlInvokeMethodFn>(symbol));
    return LoadResult::Loaded;
}

bool LibraryBinding::unload() {
    entry_.store(nullptr);
    if (module_ == nullptr) return true;
    const bool closed = dlclose(module_) == 0;
    module_ = nullptr;
    return closed;
}

uint32_t LibraryBinding::call(uint32_t opcode, void* in, void* out) const {
    VrlInvokeMethodFn entry = entry_.load();
    if (entry == nullptr) return VrlStatus::LibraryUnusable;
    return entry(opcode, in, out);
}

}  // namespace orv::raidlib
