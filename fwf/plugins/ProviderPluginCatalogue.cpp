#include "ProviderPluginCatalogue.h"

#include "ORVApplicationSoftwareIdentity.h"
#include "ORVBIOSSoftwareIdentity.h"
#include "ORVBattery.h"
#include "ORVCIMXMLCommunicationMechanism.h"
#include "ORVCard.h"
#include "ORVCommMechanismForManager.h"
#include "ORVCompositeExtent.h"
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
#include "ORVStrgConfServiceElementCapabilities.h"
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
            {"ORV_StrgConfServiceElementCapabilities", makePlugin<ORVStrgConfServiceElementCapabilities>},
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
        // A row stays commented out until its plugin class exists.
        {
            {"ORV_Card", makePlugin<ORVCard>},
            // {"ORV_CardPhysicalComponent", makePlugin<ORVCardPhysicalComponent>},
            // {"ORV_Realizes", makePlugin<ORVRealizes>},
            // {"ORV_SystemPackaging", makePlugin<ORVSystemPackaging>},
            {"ORV_Product", makePlugin<ORVProduct>},
            // {"ORV_ComputerSystemPackage", makePlugin<ORVComputerSystemPackage>},
            {"ORV_PrimordialStoragePool", makePlugin<ORVPrimordialStoragePool>},
            {"ORV_ConcreteStoragePool", makePlugin<ORVConcreteStoragePool>},
            // {"ORV_HostedPrimordialStoragePool", makePlugin<ORVHostedPrimordialStoragePool>},
            // {"ORV_HostedConcreteStoragePool", makePlugin<ORVHostedConcreteStoragePool>},
            {"ORV_StorageVolume", makePlugin<ORVStorageVolume>},
            {"ORV_StorageConfigurationService", makePlugin<ORVStorageConfigurationService>},
            // {"ORV_StorageHostedService", makePlugin<ORVStorageHostedService>},
            // {"ORV_StorageVolumeSystemDevice", makePlugin<ORVStorageVolumeSystemDevice>},
            // {"ORV_VolumeAllocatedFromPrimordialPool", makePlugin<ORVVolumeAllocatedFromPrimordialPool>},
            // {"ORV_VolumeAllocatedFromConcretePool", makePlugin<ORVVolumeAllocatedFromConcretePool>},
            // {"ORV_PoolAllocatedFromPool", makePlugin<ORVPoolAllocatedFromPool>},
            {"ORV_StorageSetting", makePlugin<ORVStorageSetting>},
            {"ORV_FixedStorageSetting", makePlugin<ORVFixedStorageSetting>},
            // {"ORV_ElementSettingData", makePlugin<ORVElementSettingData>},
            // {"ORV_PrimordialElementCapabilities", makePlugin<ORVPrimordialElementCapabilities>},
            {"ORV_PrimordialPoolCapabilities", makePlugin<ORVPrimordialPoolCapabilities>},
            // {"ORV_ControllerElementCapabilities", makePlugin<ORVControllerElementCapabilities>},
            // {"ORV_ConcreteElementCapabilities", makePlugin<ORVConcreteElementCapabilities>},
            {"ORV_ConcretePoolCapabilities", makePlugin<ORVConcretePoolCapabilities>},
            // {"ORV_StorageSettingsAssociatedToCapabilities", makePlugin<ORVStorageSettingsAssociatedToCapabilities>},
            {"ORV_UserGeneratedSetting", makePlugin<ORVUserGeneratedSetting>},
            // {"ORV_StorageSettingsGeneratedFromCapabilities", makePlugin<ORVStorageSettingsGeneratedFromCapabilities>},
            // {"ORV_VolumeToPoolConcreteComponent", makePlugin<ORVVolumeToPoolConcreteComponent>},
            // {"ORV_AssociatedBattery", makePlugin<ORVAssociatedBattery>},
            {"ORV_Battery", makePlugin<ORVBattery>},
            // {"ORV_BatterySystemDevice", makePlugin<ORVBatterySystemDevice>},
            {"ORV_DATargetPort", makePlugin<ORVDATargetPort>},
            // {"ORV_DATargetPortSystemDevice", makePlugin<ORVDATargetPortSystemDevice>},
            // {"ORV_TargetSCSIDeviceSAPImplementation", makePlugin<ORVTargetSCSIDeviceSAPImplementation>},
            {"ORV_TargetSCSIProtocolEndPoint", makePlugin<ORVTargetSCSIProtocolEndPoint>},
            // {"ORV_TargetSCSIProtocolHostedAccessPoint", makePlugin<ORVTargetSCSIProtocolHostedAccessPoint>},
            {"ORV_InitiatorATAProtocolEndPoint", makePlugin<ORVInitiatorATAProtocolEndPoint>},
            // {"ORV_InitiatorATAProtocolHostedAccessPoint", makePlugin<ORVInitiatorATAProtocolHostedAccessPoint>},
            // {"ORV_InitiatorATASCSIBindsTo", makePlugin<ORVInitiatorATASCSIBindsTo>},
            // {"ORV_InitiatorSCSIDeviceSAPImplementation", makePlugin<ORVInitiatorSCSIDeviceSAPImplementation>},
            {"ORV_InitiatorSCSIProtocolEndPoint", makePlugin<ORVInitiatorSCSIProtocolEndPoint>},
            // {"ORV_InitiatorSCSIProtocolHostedAccessPoint", makePlugin<ORVInitiatorSCSIProtocolHostedAccessPoint>},
            {"ORV_SASInitiatorPort", makePlugin<ORVSASInitiatorPort>},
            // {"ORV_SASInitiatorPortSystemDevice", makePlugin<ORVSASInitiatorPortSystemDevice>},
            {"ORV_InitiatorSASPhy", makePlugin<ORVInitiatorSASPhy>},
            // {"ORV_SASInitiatorPhyConcreteComponent", makePlugin<ORVSASInitiatorPhyConcreteComponent>},
            // {"ORV_SASPhySystemDevice", makePlugin<ORVSASPhySystemDevice>},
            // {"ORV_ControlledBy", makePlugin<ORVControlledBy>},
            {"ORV_ControllerComputerSystem", makePlugin<ORVControllerComputerSystem>},
            // {"ORV_LogicalIdentity", makePlugin<ORVLogicalIdentity>},
            {"ORV_PortController", makePlugin<ORVPortController>},
            // {"ORV_ProductPhysicalComponent", makePlugin<ORVProductPhysicalComponent>},
            // {"ORV_ProtocolControllerSystemDevice", makePlugin<ORVProtocolControllerSystemDevice>},
            {"ORV_SCSIProtocolController", makePlugin<ORVSCSIProtocolController>},
            // {"ORV_SCSIProtocolControllerForUnit", makePlugin<ORVSCSIProtocolControllerForUnit>},
            // {"ORV_SCSISAPAvailableForElement", makePlugin<ORVSCSISAPAvailableForElement>},
            // {"ORV_SystemComponent", makePlugin<ORVSystemComponent>},
            // {"ORV_SystemDevice", makePlugin<ORVSystemDevice>},
            // {"ORV_PortControllerSystemDevice", makePlugin<ORVPortControllerSystemDevice>},
            {"ORV_DiskDrive", makePlugin<ORVDiskDrive>},
            // {"ORV_DiskDriveConcreteComponent", makePlugin<ORVDiskDriveConcreteComponent>},
            // {"ORV_DiskDriveElementSoftwareIdentity", makePlugin<ORVDiskDriveElementSoftwareIdentity>},
            {"ORV_DiskDrivePhysicalPackage", makePlugin<ORVDiskDrivePhysicalPackage>},
            // {"ORV_DiskDriveRealizes", makePlugin<ORVDiskDriveRealizes>},
            {"ORV_DiskDriveSoftwareIdentity", makePlugin<ORVDiskDriveSoftwareIdentity>},
            // {"ORV_DiskDriveSystemDevice", makePlugin<ORVDiskDriveSystemDevice>},
            // {"ORV_StorageExtentSystemDevice", makePlugin<ORVStorageExtentSystemDevice>},
            // {"ORV_MediaPresent", makePlugin<ORVMediaPresent>},
            {"ORV_StorageExtent", makePlugin<ORVStorageExtent>},
            {"ORV_DiskDriveSASPort", makePlugin<ORVDiskDriveSASPort>},
            {"ORV_DiskDriveATAPort", makePlugin<ORVDiskDriveATAPort>},
            {"ORV_DiskDriveSASProtocolEndpoint", makePlugin<ORVDiskDriveSASProtocolEndpoint>},
            {"ORV_DiskDriveATAProtocolEndpoint", makePlugin<ORVDiskDriveATAProtocolEndpoint>},
            // {"ORV_SASDeviceSAPImplementation", makePlugin<ORVSASDeviceSAPImplementation>},
            // {"ORV_SATADeviceSAPImplementation", makePlugin<ORVSATADeviceSAPImplementation>},
            // {"ORV_SASSAPAvailableForElement", makePlugin<ORVSASSAPAvailableForElement>},
            // {"ORV_SATASAPAvailableForElement", makePlugin<ORVSATASAPAvailableForElement>},
            // {"ORV_Container", makePlugin<ORVContainer>},
            // {"ORV_DiskDriveSASPortSystemDevice", makePlugin<ORVDiskDriveSASPortSystemDevice>},
            // {"ORV_DiskDriveATAPortSystemDevice", makePlugin<ORVDiskDriveATAPortSystemDevice>},
            // {"ORV_ConcreteComponent", makePlugin<ORVConcreteComponent>},
            // {"ORV_FailOverHostedCollection", makePlugin<ORVFailOverHostedCollection>},
            // {"ORV_FailOverMemberOfCollection", makePlugin<ORVFailOverMemberOfCollection>},
            {"ORV_FailoverStorageExtentsCollection", makePlugin<ORVFailOverStorageExtentsCollection>},
            // {"ORV_HostedSpareService", makePlugin<ORVHostedSpareService>},
            // {"ORV_IsSpare", makePlugin<ORVIsSpare>},
            // {"ORV_PrimordialStoragePoolConcreteDependency", makePlugin<ORVPrimordialStoragePoolConcreteDependency>},
            // {"ORV_SpareConfCapElementCapabilities", makePlugin<ORVSpareConfCapElementCapabilities>},
            {"ORV_SpareConfigurationCapabilities", makePlugin<ORVSpareConfigurationCapabilities>},
            {"ORV_SpareConfigurationService", makePlugin<ORVSpareConfigurationService>},
            // {"ORV_Spared", makePlugin<ORVSpared>},
            {"ORV_StorageRedundancySet", makePlugin<ORVStorageRedundancySet>},
            // {"ORV_StorageVolumeConcreteDependency", makePlugin<ORVStorageVolumeConcreteDependency>},
            // {"ORV_StrgExtentMemberOfCollection", makePlugin<ORVStrgExtentMemberOfCollection>},
            // {"ORV_StrgRedundancyHostedCollection", makePlugin<ORVStrgRedundancyHostedCollection>},
            // {"ORV_BasedOn", makePlugin<ORVBasedOn>},
            // {"ORV_CompositeExtentBasedOn", makePlugin<ORVCompositedExtentBasedOn>},
            {"ORV_CompositeExtent", makePlugin<ORVCompositeExtent>},
            // {"ORV_CompositeExtentConcreteComponent", makePlugin<ORVCompositeExtentConcreteComponent>},
            // {"ORV_CompositeExtentSystemDevice", makePlugin<ORVCompositeExtentSystemDevice>},
            {"ORV_SoftwareInstallationService", makePlugin<ORVSoftwareInstallationService>},
            {"ORV_SoftwareInstallationServiceCapabilities", makePlugin<ORVSoftwareInstallationServiceCapabilities>},
            // {"ORV_BiosElementSoftwareIdentity", makePlugin<ORVBiosElementSoftwareIdentity>},
            {"ORV_BIOSSoftwareIdentity", makePlugin<ORVBIOSSoftwareIdentity>},
            // {"ORV_DriverElementSoftwareIdentity", makePlugin<ORVDriverElementSoftwareIdentity>},
            {"ORV_DriverSoftwareIdentity", makePlugin<ORVDriverSoftwareIdentity>},
            // {"ORV_FirmwareElementSoftwareIdentity", makePlugin<ORVFirmwareElementSoftwareIdentity>},
            {"ORV_FirmwareSoftwareIdentity", makePlugin<ORVFirmwareSoftwareIdentity>},
            // {"ORV_InstalledSoftwareIdentity", makePlugin<ORVInstalledSoftwareIdentity>},
            // {"ORV_InstalledSMISProvider", makePlugin<ORVInstalledSMISProvider>},
            // {"ORV_ConcreteJob", makePlugin<ORVConcreteJob>},
            // {"ORV_AffectedJobElement", makePlugin<ORVAffectedJobElement>},
            // {"ORV_OwningJobElement", makePlugin<ORVOwningJobElement>},
            // {"ORV_JobMethodResult", makePlugin<ORVJobMethodResult>},
            // {"ORV_AssociatedJobMethodResult", makePlugin<ORVAssociatedJobMethodResult>},
        },
    };
    return catalogue;
}

}  // namespace orv::cim::fwf
