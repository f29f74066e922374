// The RAID library's answers as the provider reads them, from a library that
// answers with fuzzed records: counts beyond what a record holds, texts that
// fill their field without a terminator, LRC counts beyond their entries,
// unknown event codes, failures at any step. Each input starts the facade
// (the cache fill reads every record kind), then delivers events and runs
// the methods that read records, then stops it. Nothing may read outside a
// record, and every request must still be answered.
#include "FuzzInput.h"
#include "PropertyContainer.h"
#include "TestInstallation.h"
#include "VRLibFacade.h"
#include "VrlRecords.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using orv::fuzz::FuzzInput;
using orv::raidlib::PropertyContainer;
using orv::raidlib::VRLibFacade;

namespace {

FuzzInput* current = nullptr;

// What each reading call fills; other calls get a status only.
std::size_t answerSize(uint32_t opcode) {
    namespace Op = VrlOpcode;
    switch (opcode) {
    case Op::GET_VERSION:
    case Op::GET_DRIVER_VERSION: return sizeof(VrlVersionRecord);
    case Op::GET_CONTR_LIST: return sizeof(VrlControllerList);
    case Op::GET_CONTR_PROPS: return sizeof(VrlControllerRecord);
    case Op::GET_CONTR_PROPS_DEFAULTS: return sizeof(VrlContrDefaults);
    case Op::GET_VD_LIST: return sizeof(VrlVolumeList);
    case Op::GET_VD_PROPS: return sizeof(VrlVolumeRecord);
    case Op::GET_ALL_VD_PROPS: return sizeof(VrlAllVolumes);
    case Op::GET_PD_PROPS: return sizeof(VrlPhysDiskRecord);
    case Op::GET_ALL_PD_PROPS: return sizeof(VrlPhysDiskList);
    case Op::GET_ALL_ENCLR_PROPS: return sizeof(VrlEnclosureList);
    case Op::GET_BATT_PROPS: return sizeof(VrlBatteryRecord);
    case Op::GET_ALL_LRC_STATUS: return sizeof(VrlLrcStatusOut);
    case Op::GET_DEVICE_FLAGS: return sizeof(uint32_t);
    case Op::GET_FW_ERROR_DTLS: return sizeof(VrlFwErrorOut);
    case Op::CLEAR_CONTR_CONFIG: return sizeof(VrlClearConfigOut);
    case Op::CREATE_VOLUME: return sizeof(VrlCreateVolumeOut);
    default: return 0;
    }
}

const uint32_t kFailures[] = {VrlStatus::NotFoundOrWrongState, VrlStatus::InactiveVolume, VrlStatus::ControllerError,
                              VrlStatus::TimedOut, VrlStatus::LibraryUnusable, 0x42};

uint32_t answerFromInput(uint32_t opcode, void*, void* out) {
    switch (opcode) {
    case VrlOpcode::INITIALIZE:
    case VrlOpcode::SHUTDOWN:
    case VrlOpcode::REGISTER_AEN:
    case VrlOpcode::UNREGISTER_AEN: return VrlStatus::Success;
    case VrlOpcode::GET_INTERFACE_VERSION:
        if (out != nullptr) *static_cast<uint32_t*>(out) = kVrlInterfaceVersion;
        return VrlStatus::Success;
    default: break;
    }
    FuzzInput& in = *current;
    // Mostly success, so that inputs reach the records.
    const uint8_t choice = in.byte();
    if (choice >= 0xF0) return kFailures[choice % (sizeof kFailures / sizeof kFailures[0])];
    const std::size_t size = answerSize(opcode);
    if (out != nullptr && size > 0) {
        // A record is read from the input in full when it is long enough;
        // what the input leaves out is zero, or now and then a pattern that
        // leaves texts unterminated and counts beyond every limit.
        std::memset(out, (choice & 7) == 1 ? 'A' : 0, size);
        const std::size_t given = std::min(size, in.remaining());
        in.fill(out, given);
    }
    return VrlStatus::Success;
}

// Reads what an observer of the provider reads: every property.
class ReadingObserver : public orv::raidlib::EventObserver {
public:
    void Update(PropertyContainer event) override {
        for (const auto& property : event.nonKeyProperties()) seen_ += property->getName().size();
    }

private:
    std::size_t seen_ = 0;
};

struct Rig {
    orv::test::TestInstallation installation;
    void* library = nullptr;
    ReadingObserver observer;

    Rig() {
        installation.installRaidLibrary(SCRIPTED_RAID_LIBRARY);
        // Kept open so that the provider's unload does not drop the answer.
        library = dlopen((installation.root() + "/bin/VRLib.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        auto set = reinterpret_cast<void (*)(uint32_t (*)(uint32_t, void*, void*))>(
            library ? dlsym(library, "ScriptedRaidSetAnswer") : nullptr);
        if (set == nullptr) {
            std::fprintf(stderr, "cannot load the scripted library: %s\n", dlerror());
            std::abort();
        }
        set(answerFromInput);
        VRLibFacade::instance().AttachObserver(&observer);
    }
};

const char* const kMethods[] = {"getAllLrcStatus", "getVersionInfo", "getErrorDesc",   "getDeviceFlags",
                                "clearConfiguration", "getContrDefaults", "createVolume", "deleteVolume",
                                "activateVolume", "setVolumeProps", "createHotSpare", "rebuildVolume"};

void runMethod(FuzzInput& in) {
    PropertyContainer arguments;
    arguments.insertInt("contrId", in.byte(), true);
    arguments.insertInt("vdIndex", in.byte(), true);
    arguments.insertInt("compPdId", in.byte(), true);
    arguments.insertInt("deviceId", in.byte(), true);
    arguments.insertInt("deviceType", in.below(6), true);
    arguments.insertInt("fwErrorCode", in.integer<uint32_t>(), true);
    arguments.insertString("volumeName", in.text());
    arguments.insertVector("compPdId", {in.byte(), in.byte()});
    PropertyContainer out;
    VRLibFacade::instance().invokeMethod(in.pick(kMethods), arguments, out);
}

void deliverEvent(FuzzInput& in) {
    VrlEventRecord record;
    std::memset(&record, 0, sizeof record);
    record.eventCode = in.below(24);
    record.contrId = in.byte();
    record.deviceType = in.below(6);
    record.deviceId = in.byte();
    record.severity = in.below(5);
    record.changedAttr = in.integer<uint32_t>();
    record.enclId = in.byte();
    record.slotId = in.byte();
    // The description or the LRC entries: a few bytes from the input, or a
    // whole area without a zero.
    const uint8_t given = in.byte();
    if (given == 0xFF) std::memset(record.description, 'D', sizeof record.description);
    else in.fill(record.description, given);
    orv::raidlib::VrlEventManagerCbk(&record);
}

void readCache() {
    VRLibFacade& facade = VRLibFacade::instance();
    std::vector<std::string> names;
    facade.getStorageClassNames(names);
    for (const std::string& name : names) {
        std::vector<PropertyContainer> objects;
        facade.getStorageClass(name, objects);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    FuzzInput in(data, size);
    current = &in;
    VRLibFacade& facade = VRLibFacade::instance();
    facade.initialize(orv::raidlib::kApplicationName);
    for (int step = 0; step < 16 && !in.empty(); ++step) {
        switch (in.below(3)) {
        case 0: deliverEvent(in); break;
        case 1: runMethod(in); break;
        default: readCache(); break;
        }
    }
    readCache();
    facade.terminate();
    current = nullptr;
    return 0;
}
