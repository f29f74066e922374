// A RAID library without hardware or model: the provider loads it by path
// like the real one, and every call is answered by whatever function the
// harness installed, so the records the provider reads can be anything.
#include "VrlRecords.h"

extern "C" {

typedef uint32_t (*ScriptedRaidAnswer)(uint32_t opcode, void* in, void* out);

namespace {
ScriptedRaidAnswer answer = nullptr;
}

__attribute__((visibility("default"))) void ScriptedRaidSetAnswer(ScriptedRaidAnswer function) {
    answer = function;
}

__attribute__((visibility("default"))) uint32_t VrlInvokeMethod(uint32_t opcode, void* in, void* out) {
    return answer != nullptr ? answer(opcode, in, out) : VrlStatus::LibraryUnusable;
}

}  // extern "C"
