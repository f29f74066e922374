// Filling the object cache from the library, for every controller or for
// one.
#include <cstddef>
#include <cstring>
#include <memory>

#include "ConfigurationMethods.h"
#include "Logger.h"
#include "RecordConversion.h"
#include "VRLibFacade.h"

namespace orv::raidlib {

uint32_t VRLibFacade::initializeCache() {
    LogTrace("ENTER __ initializeCache() __");
    store().clean();
    store().setName("AmbrixObjects");

    unsigned char unused[8] = {};
    VrlControllerList list;
    std::memset(&list, 0, sizeof list);
    uint32_t status = callLibrary(VrlOpcode::GET_CONTR_LIST, unused, &list);
    if (status != VrlStatus::Success) {
        LogMessage(2, "C_error: Failed to get list of available Controllers , Cache will not be populated ");
    } else {
        const unsigned count = boundedCount(list.count, kVrlMaxControllers, "controller list");
        for (unsigned i = 0; i < count; ++i) {
            status = initializeCache(list.contrIds[i]);
            if (status != VrlStatus::Success) {
                LogMessage(2, "C_error: Failed to initialize cache for controller <%d>", list.contrIds[i]);
                // A half-filled cache would show some controllers as missing;
                // an empty one makes the failure visible.
                store().clean();
                break;
            }
        }
    }
    LogTrace("EXIT __ initializeCache() __");
    return status;
}

uint32_t VRLibFacade::initializeCache(uint32_t contrId) {
    const int id = static_cast<int>(contrId);
    const uint8_t contrByte = static_cast<uint8_t>(contrId);
    LogMessage(4, "ENTER __ initializeCache(contr<%d>) __", id);
    store().removeControllerEntries(contrId);

    auto fail = [&](uint32_t status) {
        store().removeControllerEntries(contrId);
        LogMessage(4, "EXIT __ initializeCache(contr<%d>) __", id);
        return status;
    };

    LogMessage(4, "C_debug: Filling Controller <%d> in Cache", id);
    VrlControllerRecord controller;
    std::memset(&controller, 0, sizeof controller);
    uint8_t in = contrByte;
    uint32_t status = callLibrary(VrlOpcode::GET_CONTR_PROPS, &in, &controller);
    if (status != VrlStatus::Success) {
        LogMessage(2, "C_error: Failed to get Controller <%d> Properties", id);
        return fail(status);
    }

    LogMessage(4, "C_debug: Filling Volumes under Controller <%d> in Cache", id);
    VrlVolumeList volumes;
    status = applyVolumeList(contrId, controller, volumes);
    if (status != VrlStatus::Success) return fail(status);
    const unsigned volumeCount = volumes.count;

    PropertyContainer controllerEntry = controllerObject(contrId, controller);
    PropertyContainer defaultsIn = controllerKeys(contrId);
    PropertyContainer defaults;
    getControllerDefaults(binding_, defaultsIn, defaults);
    addControllerDefaults(controllerEntry, defaults);
    status = store().addObject(StorageClass::Controllers, controllerEntry);
    if (status != VrlStatus::Success) {
        LogMessage(2, "C_error: Failed to add Controller entry in Cache");
        return fail(status);
    }

    for (unsigned i = 0; i < volumeCount; ++i) {
        uint32_t vdIndex = 0;
        std::memcpy(&vdIndex, reinterpret_cast<const unsigned char*>(&volumes) +
                                  offsetof(VrlVolumeList, vdIndexes) + i * sizeof(uint32_t),
                    sizeof vdIndex);
        VrlVolumeRecord volume;
        status = readVolume(contrId, vdIndex, volume);
        if (status == VrlStatus::InactiveVolume) continue;
        if (status != VrlStatus::Success) {
            LogMessage(2, "ERROR : pfVrlInvokeMethod(GET_VD_PROPS) failed");
            return fail(status);
        }
        status = store().addObject(StorageClass::Volumes, volumeObject(contrId, volume));
        if (status != VrlStatus::Success) {
            LogMessage(2, "C_error: Failed to add Volume entry under controller <%d> in Cache", id);
            return fail(status);
        }
    }

    LogMessage(4, "C_debug: Filling Physical Disks under Controller <%d> in Cache", id);
    auto disks = std::make_unique<VrlPhysDiskList>();
    std::memset(disks.get(), 0, sizeof *disks);
    in = contrByte;
    status = callLibrary(VrlOpcode::GET_ALL_PD_PROPS, &in, disks.get());
    if (status != VrlStatus::Success) {
        LogMessage(2, "ERROR : pfVrlInvokeMethod(GET_ALL_PD_PROPS) failed");
        return fail(status);
    }
    const unsigned diskCount = boundedCount(disks->count, kVrlMaxDisksPerController, "physical disk list");
    for (unsigned i = 0; i < diskCount; ++i) {
        status = store().addObject(StorageClass::PhysicalDisks, physicalDiskObject(contrId, disks->disks[i]));
        if (status != VrlStatus::Success) {
            LogMessage(2, "C_error: Failed to add PDisk entry under controller <%d> in Cache", id);
            return fail(status);
        }
    }

    // Enclosures are optional hardware: their failures never cost the
    // controller its place in the cache.
    LogMessage(4, "C_debug: Filling Enclosures under Controller <%d> in Cache", id);
    VrlEnclosureList enclosures;
    std::memset(&enclosures, 0, sizeof enclosures);
    in = contrByte;
    if (callLibrary(VrlOpcode::GET_ALL_ENCLR_PROPS, &in, &enclosures) != VrlStatus::Success) {
        LogMessage(2, "ERROR : pfVrlInvokeMethod(GET_ALL_ENCLR_PROPS) failed");
    } else {
        const unsigned count = boundedCount(enclosures.count, 1, "enclosure list");
        for (unsigned i = 0; i < count; ++i) {
            if (store().addObject(StorageClass::Enclosures, enclosureObject(contrId, enclosures.enclosures[i])) !=
                VrlStatus::Success)
                LogMessage(2, "C_error: Failed to add Enclosure entry under controller <%d> in Cache", id);
        }
    }

    LogMessage(4, "C_debug: Filling Battery under Controller <%d> in Cache", id);
    VrlBatteryRecord battery;
    std::memset(&battery, 0, sizeof battery);
    in = contrByte;
    status = callLibrary(VrlOpcode::GET_BATT_PROPS, &in, &battery);
    if (status != VrlStatus::Success) {
        LogMessage(2, "ERROR : pfVrlInvokeMethod(GET_BATT_PROPS) failed");
        return fail(status);
    }
    if (battery.batteryType != 0) {
        status = store().addObject(StorageClass::Batteries, batteryObject(contrId, battery));
        if (status != VrlStatus::Success) {
            LogMessage(2, "C_error: Failed to add Battery entry under controller <%d> in Cache", id);
            return fail(status);
        }
    }

    LogTrace("EXIT __ initializeCache(perController) __");
    return VrlStatus::Success;
}

}  // namespace orv::raidlib
