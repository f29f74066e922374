#include "ProviderPluginCatalogue.h"

#include "ORVApplicationSoftwareIdentity.h"
#include "ORVCIMXMLCommunicationMechanism.h"
#include "ORVCommMechanismForManager.h"
#include "ORVElementConformsToProfile.h"
#include "ORVHostComputerSystem.h"
#include "ORVHostedAccessPoint.h"
#include "ORVHostedService.h"
#include "ORVNamespace.h"
#include "ORVNamespaceInManager.h"
#include "ORVObjectManager.h"
#include "ORVObjectManagerElementSoftwareIdentity.h"
#include "ORVReferencedProfile.h"
#include "ORVRegProfileElementSoftwareIdentity.h"
#include "ORVRegisteredProfile.h"
#include "ORVRegisteredSubProfile.h"
#include "ORVStorageConfigurationServiceCapabilities.h"
#include "ORVStrgConfServiceElementCapabilities.h"
#include "ORVSubProfileRequiresProfile.h"
#include "ORVSubProfileRequiresSubProfile.h"

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
        // controllers. The composite-extent based-on association is the one
        // class whose plugin is named differently:
        //   {"ORV_CompositeExtentBasedOn", makePlugin<ORVCompositedExtentBasedOn>},
        {},
    };
    return catalogue;
}

}  // namespace orv::cim::fwf
