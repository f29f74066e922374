#include "AssociationCatalogue.h"

#include <stdexcept>

#include "CommonFunctions.h"
#include "TableAssociation.h"

namespace orv::cim::fwf::associations {

namespace {

constexpr const char* kController = "ORV_ControllerComputerSystem";
constexpr const char* kHost = "ORV_HostComputerSystem";
constexpr const char* kExtent = "ORV_StorageExtent";
constexpr const char* kVolume = "ORV_StorageVolume";
constexpr const char* kPrimordialPool = "ORV_PrimordialStoragePool";
constexpr const char* kConcretePool = "ORV_ConcreteStoragePool";
constexpr const char* kPortController = "ORV_PortController";
constexpr const char* kRedundancySet = "ORV_StorageRedundancySet";

PairTest sameNumber(const char* first, int firstField, const char* second, int secondField) {
    return {PairKind::SameNumber, {{first, firstField}}, {{second, secondField}}};
}
PairTest sameText(const char* first, int firstField, const char* second, int secondField) {
    return {PairKind::SameText, {{first, firstField}}, {{second, secondField}}};
}
// Two numbers of each end, in the same order (controller first).
PairTest sameNumbers(Field first1, Field first2, Field second1, Field second2) {
    return {PairKind::SameNumbers, {first1, first2}, {second1, second2}};
}
// Both ends carry "<controller>_<number>" keys.
PairTest sameIds(const char* first, const char* second) {
    return sameNumbers({first, 1}, {first, 2}, {second, 1}, {second, 2});
}
// A pool or redundancy set (named by its InstanceID) at one end; at the other
// a disk, array or volume with the field that holds its controller number
// and its interface and medium properties.
PairTest poolFirst(PairKind kind, Field controller, const char* interface, const char* medium) {
    return {kind, {{"InstanceID", 0}}, {controller, {interface, 0}, {medium, 0}}};
}
PairTest poolSecond(PairKind kind, Field controller, const char* interface, const char* medium) {
    return {kind, {controller, {interface, 0}, {medium, 0}}, {{"InstanceID", 0}}};
}
PairTest everyPair() { return {PairKind::EveryPair}; }

std::vector<AssociationRow> buildRows() {
    using K = PairKind;
    // class, plugin, first end (class, role), second end (class, role), pair test
    return {
        {"ORV_AssociatedBattery", "ORVAssociatedBattery", {"ORV_Battery", "Antecedent"}, {kPortController, "Dependent"}, sameNumber("DeviceID", 1, "DeviceID", 2)},
        {"ORV_AssociatedJobMethodResult", "ORVAssociatedJobMethodResult", {"ORV_ConcreteJob", "Job"}, {"ORV_JobMethodResult", "JobParameters"}, sameText("InstanceID", 0, "InstanceID", 0)},
        {"ORV_BasedOn", "ORVBasedOn", {"ORV_CompositeExtent", "Antecedent"}, {kVolume, "Dependent"}, sameIds("DeviceID", "DeviceID")},
        {"ORV_BatterySystemDevice", "ORVBatterySystemDevice", {kController, "GroupComponent"}, {"ORV_Battery", "PartComponent"}, sameNumber("Name", 2, "DeviceID", 1)},
        {"ORV_BiosElementSoftwareIdentity", "ORVBiosElementSoftwareIdentity", {kController, "Antecedent"}, {"ORV_BiosSoftwareIdentity", "Dependent"}, sameText("Name", 2, "InstanceID", 1)},
        {"ORV_CardPhysicalComponent", "ORVCardPhysicalComponent", {"ORV_Product", "GroupComponent"}, {"ORV_Card", "PartComponent"}, sameText("Name", 2, "Tag", 2)},
        {"ORV_CompositeExtentBasedOn", "ORVCompositedExtentBasedOn", {kExtent, "Antecedent"}, {"ORV_CompositeExtent", "Dependent"}, sameNumbers({"DeviceID", 1}, {"ArrayID", 0}, {"DeviceID", 1}, {"DeviceID", 2})},
        {"ORV_CompositeExtentConcreteComponent", "ORVCompositeExtentConcreteComponent", {"ORV_CompositeExtent", "PartComponent"}, {kConcretePool, "GroupComponent"}, sameIds("DeviceID", "InstanceID")},
        {"ORV_CompositeExtentSystemDevice", "ORVCompositeExtentSystemDevice", {kController, "GroupComponent"}, {"ORV_CompositeExtent", "PartComponent"}, sameText("Name", 2, "DeviceID", 1)},
        {"ORV_ComputerSystemPackage", "ORVComputerSystemPackage", {"ORV_Card", "Antecedent"}, {kController, "Dependent"}, sameText("Tag", 2, "Name", 2)},
        {"ORV_ConcreteComponent", "ORVConcreteComponent", {kExtent, "PartComponent"}, {kPrimordialPool, "GroupComponent"}, poolSecond(K::DriveKind, {"DeviceID", 1}, "InterfaceType", "BlockType")},
        {"ORV_ConcreteElementCapabilities", "ORVConcreteElementCapabilities", {kConcretePool, "ManagedElement"}, {"ORV_ConcretePoolCapabilities", "Capabilities"}, sameIds("InstanceID", "InstanceID")},
        {"ORV_Container", "ORVContainer", {"ORV_Card", "GroupComponent"}, {"ORV_DiskDrivePhysicalPackage", "PartComponent"}, sameNumber("Tag", 2, "Tag", 2)},
        {"ORV_ControlledBy", "ORVControlledBy", {kPortController, "Antecedent"}, {"ORV_SASInitiatorPort", "Dependent"}, sameNumber("DeviceID", 2, "SystemName", 2)},
        {"ORV_ControllerElementCapabilities", "ORVControllerElementCapabilities", {kController, "ManagedElement"}, {"ORV_StorageSetting", "Capabilities"}, sameNumber("Name", 2, "InstanceID", 2)},
        {"ORV_DATargetPortSystemDevice", "ORVDATargetPortSystemDevice", {kController, "GroupComponent"}, {"ORV_DATargetPort", "PartComponent"}, sameNumber("Name", 2, "DeviceID", 1)},
        {"ORV_DiskDriveATAPortSystemDevice", "ORVDiskDriveATAPortSystemDevice", {kController, "GroupComponent"}, {"ORV_DiskDriveATAPort", "PartComponent"}, sameNumber("Name", 2, "DeviceID", 1)},
        {"ORV_DiskDriveConcreteComponent", "ORVDiskDriveConcreteComponent", {kExtent, "GroupComponent"}, {kConcretePool, "PartComponent"}, sameNumbers({"DeviceID", 1}, {"ArrayID", 0}, {"InstanceID", 1}, {"InstanceID", 2})},
        {"ORV_DiskDriveElementSoftwareIdentity", "ORVDiskDriveElementSoftwareIdentity", {"ORV_DiskDrive", "Antecedent"}, {"ORV_DiskDriveSoftwareIdentity", "Dependent"}, sameIds("DeviceID", "InstanceID")},
        {"ORV_DiskDriveRealizes", "ORVDiskDriveRealizes", {"ORV_DiskDrivePhysicalPackage", "Antecedent"}, {"ORV_DiskDrive", "Dependent"}, sameNumbers({"Tag", 2}, {"Tag", 3}, {"DeviceID", 1}, {"DeviceID", 2})},
        {"ORV_DiskDriveSASPortSystemDevice", "ORVDiskDriveSASPortSystemDevice", {kController, "GroupComponent"}, {"ORV_DiskDriveSASPort", "PartComponent"}, sameNumber("Name", 2, "DeviceID", 1)},
        {"ORV_DiskDriveSystemDevice", "ORVDiskDriveSystemDevice", {kController, "GroupComponent"}, {"ORV_DiskDrive", "PartComponent"}, sameText("Name", 2, "DeviceID", 1)},
        {"ORV_DriverElementSoftwareIdentity", "ORVDriverElementSoftwareIdentity", {kController, "Antecedent"}, {"ORV_DriverSoftwareIdentity", "Dependent"}, everyPair()},
        {"ORV_ElementSettingData", "ORVElementSettingData", {kVolume, "ManagedElement"}, {"ORV_FixedStorageSetting", "SettingData"}, {K::VolumeSetting, {{"DeviceID", 1}, {"DeviceID", 2}, {"RAIDLevel", 0}}, {{"InstanceID", 1}, {"InstanceID", 2}, {"ElementName", 0}}}},
        {"ORV_FailOverHostedCollection", "ORVFailOverHostedCollection", {kController, "Antecedent"}, {"ORV_FailoverStorageExtentsCollection", "Dependent"}, sameText("Name", 2, "InstanceID", 2)},
        {"ORV_FailOverMemberOfCollection", "ORVFailOverMemberOfCollection", {"ORV_FailoverStorageExtentsCollection", "Collection"}, {kExtent, "Member"}, {K::FailedDisk, {{"InstanceID", 2}}, {{"DeviceID", 1}, {"OperationalStatus", 0}}}},
        {"ORV_FirmwareElementSoftwareIdentity", "ORVFirmwareElementSoftwareIdentity", {kController, "Antecedent"}, {"ORV_FirmwareSoftwareIdentity", "Dependent"}, sameText("Name", 2, "InstanceID", 1)},
        {"ORV_HostedConcreteStoragePool", "ORVHostedConcreteStoragePool", {kController, "GroupComponent"}, {kConcretePool, "PartComponent"}, sameText("Name", 2, "InstanceID", 1)},
        {"ORV_HostedPrimordialStoragePool", "ORVHostedPrimordialStoragePool", {kController, "GroupComponent"}, {kPrimordialPool, "PartComponent"}, sameText("Name", 2, "InstanceID", 1)},
        {"ORV_HostedSpareService", "ORVHostedSpareService", {kController, "Antecedent"}, {"ORV_SpareConfigurationService", "Dependent"}, sameText("Name", 2, "Name", 2)},
        {"ORV_InitiatorATAProtocolHostedAccessPoint", "ORVInitiatorATAProtocolHostedAccessPoint", {kController, "Antecedent"}, {"ORV_InitiatorATAProtocolEndPoint", "Dependent"}, sameNumber("Name", 2, "Name", 2)},
        {"ORV_InitiatorATASCSIBindsTo", "ORVInitiatorATASCSIBindsTo", {"ORV_InitiatorSCSIProtocolEndPoint", "Antecedent"}, {"ORV_InitiatorATAProtocolEndPoint", "Dependent"}, sameText("Name", 2, "Name", 2)},
        {"ORV_InitiatorSCSIDeviceSAPImplementation", "ORVInitiatorSCSIDeviceSAPImplementation", {"ORV_SASInitiatorPort", "Antecedent"}, {"ORV_InitiatorSCSIProtocolEndPoint", "Dependent"}, sameText("DeviceID", 0, "Name", 2)},
        {"ORV_InitiatorSCSIProtocolHostedAccessPoint", "ORVInitiatorSCSIProtocolHostedAccessPoint", {kController, "Antecedent"}, {"ORV_InitiatorSCSIProtocolEndPoint", "Dependent"}, sameNumber("Name", 2, "Name", 2)},
        {"ORV_InstalledSMISProvider", "ORVInstalledSMISProvider", {kHost, "System"}, {"ORV_ApplicationSoftwareIdentity", "InstalledSoftware"}, {K::SecondNamed, {}, {{"InstanceID", 0}}, "SMI-S Provider"}},
        {"ORV_InstalledSoftwareIdentity", "ORVInstalledSoftwareIdentity", {kHost, "System"}, {"ORV_DriverSoftwareIdentity", "InstalledSoftware"}, everyPair()},
        {"ORV_IsSpare", "ORVIsSpare", {kRedundancySet, "Antecedent"}, {kExtent, "Dependent"}, poolFirst(K::HotSpareOfKind, {"DeviceID", 1}, "InterfaceType", "BlockType")},
        {"ORV_LogicalIdentity", "ORVLogicalIdentity", {kController, "SameElement"}, {kPortController, "SystemElement"}, sameText("Name", 2, "DeviceID", 2)},
        {"ORV_MediaPresent", "ORVMediaPresent", {"ORV_DiskDrive", "Antecedent"}, {kExtent, "Dependent"}, sameIds("DeviceID", "DeviceID")},
        {"ORV_PoolAllocatedFromPool", "ORVPoolAllocatedFromPool", {kPrimordialPool, "Antecedent"}, {kConcretePool, "Dependent"}, poolFirst(K::DriveKind, {"InstanceID", 1}, "PoolType", "BlockType")},
        {"ORV_PortControllerSystemDevice", "ORVPortControllerSystemDevice", {kController, "GroupComponent"}, {kPortController, "PartComponent"}, sameText("Name", 2, "DeviceID", 2)},
        {"ORV_PrimordialElementCapabilities", "ORVPrimordialElementCapabilities", {kPrimordialPool, "ManagedElement"}, {"ORV_PrimordialPoolCapabilities", "Capabilities"}, sameText("InstanceID", 0, "InstanceID", 0)},
        {"ORV_PrimordialStoragePoolConcreteDependency", "ORVPrimordialStoragePoolConcreteDependency", {kExtent, "Antecedent"}, {kPrimordialPool, "Dependent"}, poolSecond(K::DriveKind, {"DeviceID", 1}, "InterfaceType", "BlockType")},
        {"ORV_ProductPhysicalComponent", "ORVProductPhysicalComponent", {"ORV_Product", "GroupComponent"}, {kController, "PartComponent"}, sameText("ElementName", 2, "Name", 2)},
        {"ORV_ProtocolControllerSystemDevice", "ORVProtocolControllerSystemDevice", {kController, "GroupComponent"}, {"ORV_SCSIProtocolController", "PartComponent"}, sameText("Name", 2, "DeviceID", 2)},
        // The card carries no Name and the port controller no Tag; the
        // controller number sits in the card's Tag and the port
        // controller's DeviceID.
        {"ORV_Realizes", "ORVRealizes", {"ORV_Card", "Antecedent"}, {kPortController, "Dependent"}, sameText("Tag", 2, "DeviceID", 2)},
        {"ORV_SASDeviceSAPImplementation", "ORVSASDeviceSAPImplementation", {"ORV_DiskDriveSASPort", "Antecedent"}, {"ORV_DiskDriveSASProtocolEndpoint", "Dependent"}, sameIds("DeviceID", "Name")},
        {"ORV_SASInitiatorPhyConcreteComponent", "ORVSASInitiatorPhyConcreteComponent", {"ORV_SASInitiatorPort", "GroupComponent"}, {"ORV_InitiatorSASPhy", "PartComponent"}, sameText("DeviceID", 0, "DeviceID", 0)},
        {"ORV_SASInitiatorPortSystemDevice", "ORVSASInitiatorPortSystemDevice", {kController, "GroupComponent"}, {"ORV_SASInitiatorPort", "PartComponent"}, sameNumber("Name", 2, "DeviceID", 1)},
        {"ORV_SASPhySystemDevice", "ORVSASPhySystemDevice", {kController, "GroupComponent"}, {"ORV_InitiatorSASPhy", "PartComponent"}, sameNumber("Name", 2, "DeviceID", 1)},
        {"ORV_SASSAPAvailableForElement", "ORVSASSAPAvailableForElement", {"ORV_DiskDriveSASProtocolEndpoint", "AvailableSAP"}, {"ORV_DiskDrive", "ManagedElement"}, sameIds("Name", "DeviceID")},
        {"ORV_SATADeviceSAPImplementation", "ORVSATADeviceSAPImplementation", {"ORV_DiskDriveATAPort", "Antecedent"}, {"ORV_DiskDriveATAProtocolEndpoint", "Dependent"}, sameIds("DeviceID", "Name")},
        {"ORV_SATASAPAvailableForElement", "ORVSATASAPAvailableForElement", {"ORV_DiskDriveATAProtocolEndpoint", "AvailableSAP"}, {"ORV_DiskDrive", "ManagedElement"}, sameIds("Name", "DeviceID")},
        {"ORV_SCSIProtocolControllerForUnit", "ORVSCSIProtocolControllerForUnit", {"ORV_SCSIProtocolController", "Antecedent"}, {kVolume, "Dependent"}, sameNumber("DeviceID", 2, "DeviceID", 1)},
        {"ORV_SCSISAPAvailableForElement", "ORVSCSISAPAvailableForElement", {"ORV_TargetSCSIProtocolEndPoint", "AvailableSAP"}, {"ORV_SCSIProtocolController", "ManagedElement"}, sameNumber("Name", 1, "DeviceID", 2)},
        {"ORV_SpareConfCapElementCapabilities", "ORVSpareConfCapElementCapabilities", {kController, "ManagedElement"}, {"ORV_SpareConfigurationCapabilities", "Capabilities"}, sameText("Name", 2, "InstanceID", 2)},
        {"ORV_Spared", "ORVSpared", {kExtent, "Antecedent"}, {kExtent, "Dependent"}, {K::Spared, {{"SystemName", 0}, {"InterfaceType", 0}, {"BlockType", 0}, {"OperationalStatus", 0}}, {{"SystemName", 0}, {"InterfaceType", 0}, {"BlockType", 0}, {"OperationalStatus", 0}}}},
        {"ORV_StorageExtentSystemDevice", "ORVStorageExtentSystemDevice", {kController, "GroupComponent"}, {kExtent, "PartComponent"}, sameText("Name", 2, "DeviceID", 1)},
        {"ORV_StorageHostedService", "ORVStorageHostedService", {kController, "Antecedent"}, {"ORV_StorageConfigurationService", "Dependent"}, sameText("Name", 2, "Name", 2)},
        {"ORV_StorageSettingsAssociatedToCapabilities", "ORVStorageSettingsAssociatedToCapabilities", {"ORV_ConcretePoolCapabilities", "Antecedent"}, {"ORV_FixedStorageSetting", "Dependent"}, sameIds("InstanceID", "InstanceID")},
        {"ORV_StorageSettingsGeneratedFromCapabilities", "ORVStorageSettingsGeneratedFromCapabilities", {"ORV_PrimordialPoolCapabilities", "Antecedent"}, {"ORV_UserGeneratedSetting", "Dependent"}, everyPair()},
        {"ORV_StorageVolumeConcreteDependency", "ORVStorageVolumeConcreteDependency", {kExtent, "Antecedent"}, {kVolume, "Dependent"}, sameNumbers({"DeviceID", 1}, {"ArrayID", 0}, {"DeviceID", 1}, {"DeviceID", 2})},
        {"ORV_StorageVolumeSystemDevice", "ORVStorageVolumeSystemDevice", {kController, "GroupComponent"}, {kVolume, "PartComponent"}, sameText("Name", 2, "DeviceID", 1)},
        {"ORV_StrgConfServiceElementCapabilities", "ORVStrgConfServiceElementCapabilities", {"ORV_StorageConfigurationServiceCapabilities", "Capabilities"}, {"ORV_StorageConfigurationService", "ManagedElement"}, sameNumber("InstanceID", 2, "Name", 2)},
        {"ORV_StrgExtentMemberOfCollection", "ORVStrgExtentMemberOfCollection", {kRedundancySet, "Collection"}, {kExtent, "Member"}, poolFirst(K::ProtectedOfKind, {"DeviceID", 1}, "InterfaceType", "BlockType")},
        {"ORV_StrgRedundancyHostedCollection", "ORVStrgRedundancyHostedCollection", {kController, "Antecedent"}, {kRedundancySet, "Dependent"}, sameText("Name", 2, "InstanceID", 1)},
        {"ORV_SystemComponent", "ORVSystemComponent", {kHost, "GroupComponent"}, {kController, "PartComponent"}, everyPair()},
        {"ORV_SystemDevice", "ORVSystemDevice", {kHost, "GroupComponent"}, {kPortController, "PartComponent"}, sameText("Name", 0, "SystemName", 0)},
        {"ORV_SystemPackaging", "ORVSystemPackaging", {"ORV_Card", "Antecedent"}, {kController, "Dependent"}, sameText("Tag", 2, "Name", 2)},
        {"ORV_TargetSCSIDeviceSAPImplementation", "ORVTargetSCSIDeviceSAPImplementation", {"ORV_DATargetPort", "Antecedent"}, {"ORV_TargetSCSIProtocolEndPoint", "Dependent"}, sameIds("DeviceID", "Name")},
        {"ORV_TargetSCSIProtocolHostedAccessPoint", "ORVTargetSCSIProtocolHostedAccessPoint", {kController, "Antecedent"}, {"ORV_TargetSCSIProtocolEndPoint", "Dependent"}, sameNumber("Name", 2, "Name", 1)},
        {"ORV_VolumeAllocatedFromConcretePool", "ORVVolumeAllocatedFromConcretePool", {kConcretePool, "Antecedent"}, {kVolume, "Dependent"}, sameIds("InstanceID", "DeviceID")},
        {"ORV_VolumeAllocatedFromPrimordialPool", "ORVVolumeAllocatedFromPrimordialPool", {kPrimordialPool, "Antecedent"}, {kVolume, "Dependent"}, poolFirst(K::DriveKind, {"DeviceID", 1}, "Type", "BlockType")},
        {"ORV_VolumeToPoolConcreteComponent", "ORVVolumeToPoolConcreteComponent", {kPrimordialPool, "GroupComponent"}, {kVolume, "PartComponent"}, poolFirst(K::DriveKind, {"DeviceID", 1}, "Type", "BlockType")},
    };
}

}  // namespace

const std::vector<AssociationRow>& associationRows() {
    static const std::vector<AssociationRow> rows = buildRows();
    return rows;
}

const AssociationRow* findAssociationRow(const std::string& className) {
    for (const auto& row : associationRows()) {
        if (CommonFunctions::equalsIgnoreCase(row.className, className)) return &row;
    }
    return nullptr;
}

PluginRegistration tableAssociation(const char* className) {
    const AssociationRow* row = findAssociationRow(className);
    if (row == nullptr) throw std::logic_error(std::string("no association row for ") + className);
    return {row->className, [row] { return std::unique_ptr<AbstractProviderPlugin>(new TableAssociation(*row)); }};
}

}  // namespace orv::cim::fwf::associations
