// The loaded RAID library: its module handle and its one entry point. A
// call made while no library is loaded answers "library unusable" instead
// of jumping through a null pointer, so callers need no state checks.
//
// Stop order (unload): refuse new calls, wait for the calls in flight to
// return, then unload the module.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "VrlRecords.h"

namespace orv::raidlib {

class LibraryBinding {
public:
    enum class LoadResult { Loaded, ModuleMissing, EntryMissing };

    // Loads the module by path and resolves the entry point by name.
    LoadResult load(const std::string& path, const char* entryName);
    // False when the module could not be unloaded. Waits for calls in
    // flight; must not be called from inside a library call or callback.
    bool unload();
    bool loaded() const { return module_ != nullptr; }
    // Why the last load failed, as the loader reported it.
    const std::string& lastError() const { return lastError_; }

    uint32_t call(uint32_t opcode, void* in, void* out) const;

private:
    void* module_ = nullptr;
    std::string lastError_;

    mutable std::mutex gate_;  // entry_ and callsInFlight_
    mutable std::condition_variable idle_;
    VrlInvokeMethodFn entry_ = nullptr;
    mutable unsigned callsInFlight_ = 0;
};

}  // namespace orv::raidlib
