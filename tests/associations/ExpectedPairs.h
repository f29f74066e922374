// How many pairs each association of the table answers over a topology of
// the simulated RAID library, worked out from the topology file alone.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace associationtest {

// What the topology file holds, counted without the provider.
struct Topology {
    size_t controllers = 0, batteries = 0, disks = 0, sasDisks = 0, sataDisks = 0, spares = 0, failed = 0;
    size_t arrays = 0, volumes = 0, arrayMembers = 0, volumeMembers = 0, spared = 0;
    std::map<unsigned, size_t> disksOf, volumesOf, arraysOf;

    explicit Topology(const std::string& text) {
        const auto json = nlohmann::json::parse(text);
        for (const auto& c : json["controllers"]) {
            const unsigned id = c["id"];
            ++controllers;
            batteries += c.contains("battery");
            std::map<std::pair<int, int>, size_t> rebuildingOfKind, failedOfKind;
            for (const auto& d : c.value("disks", nlohmann::json::array())) {
                ++disks;
                ++disksOf[id];
                const int drive = d.value("driveType", 2), medium = d.value("blockDevType", 1);
                (drive == 2 ? sasDisks : sataDisks) += 1;
                spares += d.value("hotSpare", false);
                const int state = d.value("state", 0);
                failed += state == 1;
                if (state == 1) ++failedOfKind[{drive, medium}];
                if (state == 2) ++rebuildingOfKind[{drive, medium}];
            }
            for (const auto& [kind, count] : rebuildingOfKind) spared += count * failedOfKind[kind];
            for (const auto& v : c.value("volumes", nlohmann::json::array())) {
                ++arrays;
                ++arraysOf[id];
                arrayMembers += v["compPdId"].size();
                if (v.value("volReserved", 0) == 0) {
                    ++volumes;
                    ++volumesOf[id];
                    volumeMembers += v["compPdId"].size();
                }
            }
        }
    }
};

using Count = std::function<size_t(const char* className)>;
using Expected = std::function<size_t(const Topology&, const Count&)>;

// Pairs each association answers. Classes whose number of instances the
// library decides (ports, settings) or another part of the provider serves
// (the services) are counted by enumerating them: each of their instances
// belongs to exactly one instance at the other end.
inline const std::map<std::string, Expected>& expectedPairs() {
    auto per = [](size_t Topology::*field) { return [field](const Topology& t, const Count&) { return t.*field; }; };
    auto each = [](const char* endClass) { return [endClass](const Topology&, const Count& n) { return n(endClass); }; };
    auto fourPerController = [](const Topology& t, const Count&) { return 4 * t.controllers; };
    static const std::map<std::string, Expected> expected{
        {"ORV_AssociatedBattery", per(&Topology::batteries)},
        {"ORV_BasedOn", per(&Topology::volumes)},
        {"ORV_BatterySystemDevice", per(&Topology::batteries)},
        {"ORV_BiosElementSoftwareIdentity", per(&Topology::controllers)},
        {"ORV_CardPhysicalComponent", per(&Topology::controllers)},
        {"ORV_CompositeExtentBasedOn", per(&Topology::arrayMembers)},
        {"ORV_CompositeExtentConcreteComponent", per(&Topology::arrays)},
        {"ORV_CompositeExtentSystemDevice", per(&Topology::arrays)},
        {"ORV_ComputerSystemPackage", per(&Topology::controllers)},
        {"ORV_ConcreteComponent", per(&Topology::disks)},
        {"ORV_ConcreteElementCapabilities", per(&Topology::arrays)},
        {"ORV_Container", per(&Topology::disks)},
        {"ORV_ControlledBy", each("ORV_SASInitiatorPort")},
        {"ORV_ControllerElementCapabilities", each("ORV_StorageSetting")},
        {"ORV_DATargetPortSystemDevice", per(&Topology::controllers)},
        {"ORV_DiskDriveATAPortSystemDevice", per(&Topology::sataDisks)},
        {"ORV_DiskDriveConcreteComponent", per(&Topology::arrayMembers)},
        {"ORV_DiskDriveElementSoftwareIdentity", per(&Topology::disks)},
        {"ORV_DiskDriveRealizes", per(&Topology::disks)},
        {"ORV_DiskDriveSASPortSystemDevice", per(&Topology::sasDisks)},
        {"ORV_DiskDriveSystemDevice", per(&Topology::disks)},
        {"ORV_DriverElementSoftwareIdentity", per(&Topology::controllers)},
        {"ORV_ElementSettingData", per(&Topology::volumes)},
        {"ORV_FailOverHostedCollection", each("ORV_FailoverStorageExtentsCollection")},
        {"ORV_FailOverMemberOfCollection",
         [](const Topology& t, const Count& n) { return n("ORV_FailoverStorageExtentsCollection") ? t.failed : 0; }},
        {"ORV_FirmwareElementSoftwareIdentity", per(&Topology::controllers)},
        {"ORV_HostedConcreteStoragePool", per(&Topology::arrays)},
        {"ORV_HostedPrimordialStoragePool", fourPerController},
        {"ORV_HostedSpareService", each("ORV_SpareConfigurationService")},
        {"ORV_InitiatorATAProtocolHostedAccessPoint", each("ORV_InitiatorATAProtocolEndPoint")},
        {"ORV_InitiatorATASCSIBindsTo", each("ORV_InitiatorATAProtocolEndPoint")},
        {"ORV_InitiatorSCSIDeviceSAPImplementation", each("ORV_InitiatorSCSIProtocolEndPoint")},
        {"ORV_InitiatorSCSIProtocolHostedAccessPoint", each("ORV_InitiatorSCSIProtocolEndPoint")},
        {"ORV_InstalledSMISProvider", [](const Topology&, const Count&) { return size_t{1}; }},
        {"ORV_InstalledSoftwareIdentity", [](const Topology&, const Count&) { return size_t{1}; }},
        {"ORV_IsSpare", per(&Topology::spares)},
        {"ORV_LogicalIdentity", per(&Topology::controllers)},
        {"ORV_MediaPresent", per(&Topology::disks)},
        {"ORV_PoolAllocatedFromPool", per(&Topology::arrays)},
        {"ORV_PortControllerSystemDevice", per(&Topology::controllers)},
        {"ORV_PrimordialElementCapabilities", fourPerController},
        {"ORV_PrimordialStoragePoolConcreteDependency", per(&Topology::disks)},
        {"ORV_ProductPhysicalComponent", per(&Topology::controllers)},
        {"ORV_ProtocolControllerSystemDevice", per(&Topology::controllers)},
        {"ORV_Realizes", per(&Topology::controllers)},
        {"ORV_SASDeviceSAPImplementation", per(&Topology::sasDisks)},
        {"ORV_SASInitiatorPhyConcreteComponent", each("ORV_InitiatorSASPhy")},
        {"ORV_SASInitiatorPortSystemDevice", each("ORV_SASInitiatorPort")},
        {"ORV_SASPhySystemDevice", each("ORV_InitiatorSASPhy")},
        {"ORV_SASSAPAvailableForElement", per(&Topology::sasDisks)},
        {"ORV_SATADeviceSAPImplementation", per(&Topology::sataDisks)},
        {"ORV_SATASAPAvailableForElement", per(&Topology::sataDisks)},
        {"ORV_SCSIProtocolControllerForUnit", per(&Topology::volumes)},
        {"ORV_SCSISAPAvailableForElement", per(&Topology::controllers)},
        {"ORV_SpareConfCapElementCapabilities", each("ORV_SpareConfigurationCapabilities")},
        {"ORV_Spared", per(&Topology::spared)},
        {"ORV_StorageExtentSystemDevice", per(&Topology::disks)},
        {"ORV_StorageHostedService", each("ORV_StorageConfigurationService")},
        {"ORV_StorageSettingsAssociatedToCapabilities", per(&Topology::arrays)},
        {"ORV_StorageSettingsGeneratedFromCapabilities",
         [](const Topology& t, const Count& n) { return 4 * t.controllers * n("ORV_UserGeneratedSetting"); }},
        {"ORV_StorageVolumeConcreteDependency", per(&Topology::volumeMembers)},
        {"ORV_StorageVolumeSystemDevice", per(&Topology::volumes)},
        {"ORV_StrgConfServiceElementCapabilities", each("ORV_StorageConfigurationService")},
        {"ORV_StrgExtentMemberOfCollection", [](const Topology& t, const Count&) { return t.arrayMembers; }},
        {"ORV_StrgRedundancyHostedCollection", fourPerController},
        {"ORV_SystemComponent", per(&Topology::controllers)},
        {"ORV_SystemDevice", per(&Topology::controllers)},
        {"ORV_SystemPackaging", per(&Topology::controllers)},
        {"ORV_TargetSCSIDeviceSAPImplementation", per(&Topology::controllers)},
        {"ORV_TargetSCSIProtocolHostedAccessPoint", per(&Topology::controllers)},
        {"ORV_VolumeAllocatedFromConcretePool", per(&Topology::volumes)},
        {"ORV_VolumeAllocatedFromPrimordialPool", per(&Topology::volumes)},
        {"ORV_VolumeToPoolConcreteComponent", per(&Topology::volumes)},
    };
    return expected;
}

}  // namespace associationtest
