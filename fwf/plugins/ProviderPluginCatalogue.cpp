#include "ProviderPluginCatalogue.h"

#include "AssociationCatalogue.h"
#include "JobElementAssociation.h"

#include "ORVApplicationSoftwareIdentity.h"
#include "ORVBIOSSoftwareIdentity.h"
#include "ORVBattery.h"
#include "ORVCIMXMLCommunicationMechanism.h"
#include "ORVCard.h"
#include "ORVCommMechanismForManager.h"
#include "ORVCompositeExtent.h"
#include "ORVConcreteJob.h"
#include "ORVConcretePoolCapabilities.h"
#include "ORVConcreteStoragePool.h"
#include "ORVControllerComputerSystem.h"
#include "ORVDATargetPort.h"
#include "ORVDiskDrive.h"
#include "ORVDiskDriveATAPort.h"
#include "ORVDiskDriveATAProtocolEndpoint.h"
#include "ORVDiskDrivePhysicalPackage.h"
#include "ORVDiskDriveSASPort.h"
#include "ORVDiskDriveSASProtocolEndpoint.h"
#include "ORVDiskDriveSoftwareIdentity.h"
#include "ORVDriverSoftwareIdentity.h"
#include "ORVElementConformsToProfile.h"
#include "ORVFailOverStorageExtentsCollection.h"
#include "ORVFirmwareSoftwareIdentity.h"
#include "ORVFixedStorageSetting.h"
#include "ORVHostComputerSystem.h"
#include "ORVHostedAccessPoint.h"
#include "ORVHostedService.h"
#include "ORVInitiatorATAProtocolEndPoint.h"
#include "ORVInitiatorSASPhy.h"
#include "ORVInitiatorSCSIProtocolEndPoint.h"
#include "ORVJobMethodResult.h"
#include "ORVNamespace.h"
#include "ORVNamespaceInManager.h"
#include "ORVObjectManager.h"
#include "ORVObjectManagerElementSoftwareIdentity.h"
#include "ORVPortController.h"
#include "ORVPrimordialPoolCapabilities.h"
#include "ORVPrimordialStoragePool.h"
#include "ORVProduct.h"
#include "ORVReferencedProfile.h"
#include "ORVRegProfileElementSoftwareIdentity.h"
#include "ORVRegisteredProfile.h"
#include "ORVRegisteredSubProfile.h"
#include "ORVSASInitiatorPort.h"
#include "ORVSCSIProtocolController.h"
#include "ORVSoftwareInstallationService.h"
#include "ORVSoftwareInstallationServiceCapabilities.h"
#include "ORVSpareConfigurationCapabilities.h"
#include "ORVSpareConfigurationService.h"
#include "ORVStorageConfigurationService.h"
#include "ORVStorageConfigurationServiceCapabilities.h"
#include "ORVStorageExtent.h"
#include "ORVStorageRedundancySet.h"
#include "ORVStorageSetting.h"
#include "ORVStorageVolume.h"
#include "ORVSubProfileRequiresProfile.h"
#include "ORVSubProfileRequiresSubProfile.h"
#include "ORVTargetSCSIProtocolEndPoint.h"
#include "ORVUserGeneratedSetting.h"

namespace orv::cim::fwf {

// Each row names the CIM class (its lower-case form is the registry key) and
// the plugin class that serves it.
const PluginCatalogue& providerPluginCatalogue() {
    static const PluginCatalogue catalogue{
        // Interop and management classes: served with or without controllers.
        {
            {"ORV_ObjectManagerElementSoftwareIdentity", makePlugin<ORVObjectManagerElementSoftwareIdentity>},
            {"ORV_ElementConformsToProfile", makePlugin<ORVElementConformsToProfile>},
            {"ORV_ReferencedProfile", makePlugin<ORVReferencedProfile>},
            {"ORV_RegisteredProfile", makePlugin<ORVRegisteredProfile>},
            {"ORV_RegisteredSubProfile", makePlugin<ORVRegisteredSubProfile>},
            {"ORV_SubProfileRequiresProfile", makePlugin<ORVSubProfileRequiresProfile>},
            {"ORV_SubProfileRequiresSubProfile", makePlugin<ORVSubProfileRequiresSubProfile>},
            {"ORV_RegProfileElementSoftwareIdentity", makePlugin<ORVRegProfileElementSoftwareIdentity>},
            {"ORV_StorageConfigurationServiceCapabilities", makePlugin<ORVStorageConfigurationServiceCapabilities>},
            associations::tableAssociation("ORV_StrgConfServiceElementCapabilities"),
            {"ORV_CIMXMLCommunicationMechanism", makePlugin<ORVCIMXMLCommunicationMechanism>},
            {"ORV_CommMechanismForManager", makePlugin<ORVCommMechanismForManager>},
            {"ORV_HostedAccessPoint", makePlugin<ORVHostedAccessPoint>},
            {"ORV_HostedService", makePlugin<ORVHostedService>},
            {"ORV_Namespace", makePlugin<ORVNamespace>},
            {"ORV_NamespaceInManager", makePlugin<ORVNamespaceInManager>},
            {"ORV_ObjectManager", makePlugin<ORVObjectManager>},
            {"ORV_HostComputerSystem", makePlugin<ORVHostComputerSystem>},
            {"ORV_ApplicationSoftwareIdentity", makePlugin<ORVApplicationSoftwareIdentity>},
        },
        // Storage classes: served only when the RAID library found
        // controllers, in registration order. The composite-extent based-on
        // association is the one class whose plugin is named differently.
        // Associations with two fixed ends are rows of the association
        // table; a class whose plugin does not exist yet is planned.
        {
            {"ORV_Card", makePlugin<ORVCard>},
            associations::tableAssociation("ORV_CardPhysicalComponent"),
            associations::tableAssociation("ORV_Realizes"),
            associations::tableAssociation("ORV_SystemPackaging"),
            {"ORV_Product", makePlugin<ORVProduct>},
            associations::tableAssociation("ORV_ComputerSystemPackage"),
            {"ORV_PrimordialStoragePool", makePlugin<ORVPrimordialStoragePool>},
            {"ORV_ConcreteStoragePool", makePlugin<ORVConcreteStoragePool>},
            associations::tableAssociation("ORV_HostedPrimordialStoragePool"),
            associations::tableAssociation("ORV_HostedConcreteStoragePool"),
            {"ORV_StorageVolume", makePlugin<ORVStorageVolume>},
            {"ORV_StorageConfigurationService", makePlugin<ORVStorageConfigurationService>},
            associations::tableAssociation("ORV_StorageHostedService"),
            associations::tableAssociation("ORV_StorageVolumeSystemDevice"),
            associations::tableAssociation("ORV_VolumeAllocatedFromPrimordialPool"),
            associations::tableAssociation("ORV_VolumeAllocatedFromConcretePool"),
            associations::tableAssociation("ORV_PoolAllocatedFromPool"),
            {"ORV_StorageSetting", makePlugin<ORVStorageSetting>},
            {"ORV_FixedStorageSetting", makePlugin<ORVFixedStorageSetting>},
            associations::tableAssociation("ORV_ElementSettingData"),
            associations::tableAssociation("ORV_PrimordialElementCapabilities"),
            {"ORV_PrimordialPoolCapabilities", makePlugin<ORVPrimordialPoolCapabilities>},
            associations::tableAssociation("ORV_ControllerElementCapabilities"),
            associations::tableAssociation("ORV_ConcreteElementCapabilities"),
            {"ORV_ConcretePoolCapabilities", makePlugin<ORVConcretePoolCapabilities>},
            associations::tableAssociation("ORV_StorageSettingsAssociatedToCapabilities"),
            {"ORV_UserGeneratedSetting", makePlugin<ORVUserGeneratedSetting>},
            associations::tableAssociation("ORV_StorageSettingsGeneratedFromCapabilities"),
            associations::tableAssociation("ORV_VolumeToPoolConcreteComponent"),
            associations::tableAssociation("ORV_AssociatedBattery"),
            {"ORV_Battery", makePlugin<ORVBattery>},
            associations::tableAssociation("ORV_BatterySystemDevice"),
            {"ORV_DATargetPort", makePlugin<ORVDATargetPort>},
            associations::tableAssociation("ORV_DATargetPortSystemDevice"),
            associations::tableAssociation("ORV_TargetSCSIDeviceSAPImplementation"),
            {"ORV_TargetSCSIProtocolEndPoint", makePlugin<ORVTargetSCSIProtocolEndPoint>},
            associations::tableAssociation("ORV_TargetSCSIProtocolHostedAccessPoint"),
            {"ORV_InitiatorATAProtocolEndPoint", makePlugin<ORVInitiatorATAProtocolEndPoint>},
            associations::tableAssociation("ORV_InitiatorATAProtocolHostedAccessPoint"),
            associations::tableAssociation("ORV_InitiatorATASCSIBindsTo"),
            associations::tableAssociation("ORV_InitiatorSCSIDeviceSAPImplementation"),
            {"ORV_InitiatorSCSIProtocolEndPoint", makePlugin<ORVInitiatorSCSIProtocolEndPoint>},
            associations::tableAssociation("ORV_InitiatorSCSIProtocolHostedAccessPoint"),
            {"ORV_SASInitiatorPort", makePlugin<ORVSASInitiatorPort>},
            associations::tableAssociation("ORV_SASInitiatorPortSystemDevice"),
            {"ORV_InitiatorSASPhy", makePlugin<ORVInitiatorSASPhy>},
            associations::tableAssociation("ORV_SASInitiatorPhyConcreteComponent"),
            associations::tableAssociation("ORV_SASPhySystemDevice"),
            associations::tableAssociation("ORV_ControlledBy"),
            {"ORV_ControllerComputerSystem", makePlugin<ORVControllerComputerSystem>},
            associations::tableAssociation("ORV_LogicalIdentity"),
            {"ORV_PortController", makePlugin<ORVPortController>},
            associations::tableAssociation("ORV_ProductPhysicalComponent"),
            associations::tableAssociation("ORV_ProtocolControllerSystemDevice"),
            {"ORV_SCSIProtocolController", makePlugin<ORVSCSIProtocolController>},
            associations::tableAssociation("ORV_SCSIProtocolControllerForUnit"),
            associations::tableAssociation("ORV_SCSISAPAvailableForElement"),
            associations::tableAssociation("ORV_SystemComponent"),
            associations::tableAssociation("ORV_SystemDevice"),
            associations::tableAssociation("ORV_PortControllerSystemDevice"),
            {"ORV_DiskDrive", makePlugin<ORVDiskDrive>},
            associations::tableAssociation("ORV_DiskDriveConcreteComponent"),
            associations::tableAssociation("ORV_DiskDriveElementSoftwareIdentity"),
            {"ORV_DiskDrivePhysicalPackage", makePlugin<ORVDiskDrivePhysicalPackage>},
            associations::tableAssociation("ORV_DiskDriveRealizes"),
            {"ORV_DiskDriveSoftwareIdentity", makePlugin<ORVDiskDriveSoftwareIdentity>},
            associations::tableAssociation("ORV_DiskDriveSystemDevice"),
            associations::tableAssociation("ORV_StorageExtentSystemDevice"),
            associations::tableAssociation("ORV_MediaPresent"),
            {"ORV_StorageExtent", makePlugin<ORVStorageExtent>},
            {"ORV_DiskDriveSASPort", makePlugin<ORVDiskDriveSASPort>},
            {"ORV_DiskDriveATAPort", makePlugin<ORVDiskDriveATAPort>},
            {"ORV_DiskDriveSASProtocolEndpoint", makePlugin<ORVDiskDriveSASProtocolEndpoint>},
            {"ORV_DiskDriveATAProtocolEndpoint", makePlugin<ORVDiskDriveATAProtocolEndpoint>},
            associations::tableAssociation("ORV_SASDeviceSAPImplementation"),
            associations::tableAssociation("ORV_SATADeviceSAPImplementation"),
            associations::tableAssociation("ORV_SASSAPAvailableForElement"),
            associations::tableAssociation("ORV_SATASAPAvailableForElement"),
            associations::tableAssociation("ORV_Container"),
            associations::tableAssociation("ORV_DiskDriveSASPortSystemDevice"),
            associations::tableAssociation("ORV_DiskDriveATAPortSystemDevice"),
            associations::tableAssociation("ORV_ConcreteComponent"),
            associations::tableAssociation("ORV_FailOverHostedCollection"),
            associations::tableAssociation("ORV_FailOverMemberOfCollection"),
            {"ORV_FailoverStorageExtentsCollection", makePlugin<ORVFailOverStorageExtentsCollection>},
            associations::tableAssociation("ORV_HostedSpareService"),
            associations::tableAssociation("ORV_IsSpare"),
            associations::tableAssociation("ORV_PrimordialStoragePoolConcreteDependency"),
            associations::tableAssociation("ORV_SpareConfCapElementCapabilities"),
            {"ORV_SpareConfigurationCapabilities", makePlugin<ORVSpareConfigurationCapabilities>},
            {"ORV_SpareConfigurationService", makePlugin<ORVSpareConfigurationService>},
            associations::tableAssociation("ORV_Spared"),
            {"ORV_StorageRedundancySet", makePlugin<ORVStorageRedundancySet>},
            associations::tableAssociation("ORV_StorageVolumeConcreteDependency"),
            associations::tableAssociation("ORV_StrgExtentMemberOfCollection"),
            associations::tableAssociation("ORV_StrgRedundancyHostedCollection"),
            associations::tableAssociation("ORV_BasedOn"),
            associations::tableAssociation("ORV_CompositeExtentBasedOn"),
            {"ORV_CompositeExtent", makePlugin<ORVCompositeExtent>},
            associations::tableAssociation("ORV_CompositeExtentConcreteComponent"),
            associations::tableAssociation("ORV_CompositeExtentSystemDevice"),
            {"ORV_SoftwareInstallationService", makePlugin<ORVSoftwareInstallationService>},
            {"ORV_SoftwareInstallationServiceCapabilities", makePlugin<ORVSoftwareInstallationServiceCapabilities>},
            associations::tableAssociation("ORV_BiosElementSoftwareIdentity"),
            {"ORV_BIOSSoftwareIdentity", makePlugin<ORVBIOSSoftwareIdentity>},
            associations::tableAssociation("ORV_DriverElementSoftwareIdentity"),
            {"ORV_DriverSoftwareIdentity", makePlugin<ORVDriverSoftwareIdentity>},
            associations::tableAssociation("ORV_FirmwareElementSoftwareIdentity"),
            {"ORV_FirmwareSoftwareIdentity", makePlugin<ORVFirmwareSoftwareIdentity>},
            associations::tableAssociation("ORV_InstalledSoftwareIdentity"),
            associations::tableAssociation("ORV_InstalledSMISProvider"),
            {"ORV_ConcreteJob", makePlugin<ORVConcreteJob>},
            jobs::jobElementAssociation("ORV_AffectedJobElement"),
            jobs::jobElementAssociation("ORV_OwningJobElement"),
            {"ORV_JobMethodResult", makePlugin<ORVJobMethodResult>},
            associations::tableAssociation("ORV_AssociatedJobMethodResult"),
        },
    };
    return catalogue;
}

}  // namespace orv::cim::fwf
