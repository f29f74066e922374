// The loaded RAID library: its module handle and its one entry point. A
// call made while no library is loaded answers "library unusable" instead
// of jumping through a null pointer, so callers need no state checks.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "VrlRecords.h"

namespace orv::raidlib {

class LibraryBinding {
public:
    enum class LoadResult { Loaded, ModuleMissing, EntryMissing };

    // Loads the module by path and resolves the entry point by name.
    LoadResult load(const std::string& path, const char* entryName);
    // False when the module could not be unloaded.
    bool unload();
    bool loaded() const { return module_ != nullptr; }
    // Why the last load failed, as the loader reported it.
    const std::string& lastError() const { return lastError_; }

    uint32_t call(uint32_t opcode, void* in, void* out) const;

private:
    void* module_ = nullptr;
    std::atomic<VrlInvokeMethodFn> entry_{nullptr};
    std::string lastError_;
};

}  // namespace orv::raidlib
