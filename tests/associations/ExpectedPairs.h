// How many pairs each association of the table answers over a topology of
// the simulated RAID library, worked out from the topology file alone.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

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
    static const std::map<std::string, Expected> expected = [&] {
        std::map<std::string, Expected> rows{
            {"ORV_ControlledBy", each("ORV_SASInitiatorPort")},
            {"ORV_ControllerElementCapabilities", each("ORV_StorageSetting")},
            {"ORV_FailOverHostedCollection", each("ORV_FailoverStorageExtentsCollection")},
            {"ORV_FailOverMemberOfCollection",
             [](const Topology& t, const Count& n) { return n("ORV_FailoverStorageExtentsCollection") ? t.failed : 0; }},
            {"ORV_HostedPrimordialStoragePool", fourPerController},
            {"ORV_HostedSpareService", each("ORV_SpareConfigurationService")},
            {"ORV_InitiatorATAProtocolHostedAccessPoint", each("ORV_InitiatorATAProtocolEndPoint")},
            {"ORV_InitiatorATASCSIBindsTo", each("ORV_InitiatorATAProtocolEndPoint")},
            {"ORV_InitiatorSCSIDeviceSAPImplementation", each("ORV_InitiatorSCSIProtocolEndPoint")},
            {"ORV_InitiatorSCSIProtocolHostedAccessPoint", each("ORV_InitiatorSCSIProtocolEndPoint")},
            {"ORV_InstalledSMISProvider", [](const Topology&, const Count&) { return size_t{1}; }},
            {"ORV_InstalledSoftwareIdentity", [](const Topology&, const Count&) { return size_t{1}; }},
            {"ORV_PrimordialElementCapabilities", fourPerController},
            {"ORV_SASInitiatorPhyConcreteComponent", each("ORV_InitiatorSASPhy")},
            {"ORV_SASInitiatorPortSystemDevice", each("ORV_SASInitiatorPort")},
            {"ORV_SASPhySystemDevice", each("ORV_InitiatorSASPhy")},
            {"ORV_SpareConfCapElementCapabilities", each("ORV_SpareConfigurationCapabilities")},
            {"ORV_StorageHostedService", each("ORV_StorageConfigurationService")},
            {"ORV_StorageSettingsGeneratedFromCapabilities",
             [](const Topology& t, const Count& n) { return 4 * t.controllers * n("ORV_UserGeneratedSetting"); }},
            {"ORV_StrgConfServiceElementCapabilities", each("ORV_StorageConfigurationService")},
            {"ORV_StrgRedundancyHostedCollection", fourPerController},
        };
        // Associations with one pair per object the topology holds of one kind.
        const std::pair<size_t Topology::*, std::vector<const char*>> perObject[] = {
            {&Topology::batteries, {"ORV_AssociatedBattery", "ORV_BatterySystemDevice"}},
            {&Topology::volumes, {"ORV_BasedOn", "ORV_ElementSettingData", "ORV_SCSIProtocolControllerForUnit",
                                   "ORV_StorageVolumeSystemDevice", "ORV_VolumeAllocatedFromConcretePool",
                                   "ORV_VolumeAllocatedFromPrimordialPool", "ORV_VolumeToPoolConcreteComponent"}},
            {&Topology::controllers, {"ORV_BiosElementSoftwareIdentity", "ORV_CardPhysicalComponent",
                                       "ORV_ComputerSystemPackage", "ORV_DATargetPortSystemDevice",
                                       "ORV_DriverElementSoftwareIdentity", "ORV_FirmwareElementSoftwareIdentity",
                                       "ORV_LogicalIdentity", "ORV_PortControllerSystemDevice",
                                       "ORV_ProductPhysicalComponent", "ORV_ProtocolControllerSystemDevice",
                                       "ORV_Realizes", "ORV_SCSISAPAvailableForElement", "ORV_SystemComponent",
                                       "ORV_SystemDevice", "ORV_SystemPackaging",
                                       "ORV_TargetSCSIDeviceSAPImplementation",
                                       "ORV_TargetSCSIProtocolHostedAccessPoint"}},
            {&Topology::arrayMembers,
             {"ORV_CompositeExtentBasedOn", "ORV_DiskDriveConcreteComponent", "ORV_StrgExtentMemberOfCollection"}},
            {&Topology::arrays, {"ORV_CompositeExtentConcreteComponent", "ORV_CompositeExtentSystemDevice",
                                  "ORV_ConcreteElementCapabilities", "ORV_HostedConcreteStoragePool",
                                  "ORV_PoolAllocatedFromPool", "ORV_StorageSettingsAssociatedToCapabilities"}},
            {&Topology::disks, {"ORV_ConcreteComponent", "ORV_Container", "ORV_DiskDriveElementSoftwareIdentity",
                                 "ORV_DiskDriveRealizes", "ORV_DiskDriveSystemDevice", "ORV_MediaPresent",
                                 "ORV_PrimordialStoragePoolConcreteDependency", "ORV_StorageExtentSystemDevice"}},
            {&Topology::sataDisks, {"ORV_DiskDriveATAPortSystemDevice", "ORV_SATADeviceSAPImplementation",
                                     "ORV_SATASAPAvailableForElement"}},
            {&Topology::sasDisks, {"ORV_DiskDriveSASPortSystemDevice", "ORV_SASDeviceSAPImplementation",
                                    "ORV_SASSAPAvailableForElement"}},
            {&Topology::spares, {"ORV_IsSpare"}},
            {&Topology::spared, {"ORV_Spared"}},
            {&Topology::volumeMembers, {"ORV_StorageVolumeConcreteDependency"}},
        };
        for (const auto& [field, classes] : perObject)
            for (const char* className : classes) rows.emplace(className, per(field));
        return rows;
    }();
    return expected;
}

}  // namespace associationtest
