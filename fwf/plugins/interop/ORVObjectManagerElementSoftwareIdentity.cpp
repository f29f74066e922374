#include "ORVObjectManagerElementSoftwareIdentity.h"

#include "FrameworkFacade.h"
#include "InteropCommon.h"
#include "Logger.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kSoftwareDescription = "Pegasus CIM Server Version 2.8.0";

}  // namespace

ORVObjectManagerElementSoftwareIdentity::ORVObjectManagerElementSoftwareIdentity()
    : AbstractAssociationProviderPlugin({"ORV_ApplicationSoftwareIdentity", "Antecedent", interop::kStorageNamespace},
                                        {interop::kObjectManagerClass, "Dependent", interop::kInteropNamespace}) {}

void ORVObjectManagerElementSoftwareIdentity::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVObjectManagerElementSoftwareIdentity::enumerateInstances";
    LogTrace("Entering ORVObjectManagerElementSoftwareIdentity::enumerateInstances()");
    CIMInstanceList software;
    if (FrameworkFacade* facade = FrameworkFacade::getInstance()) {
        facade->enumerateInstances(endpointPath(path, firstEnd()), software);
    }
    // This view of the object manager carries its own description.
    KeyBindingList keys;
    copyStringKeys(interop::objectManagerObject(interop::hostName(kName)), keys);
    CIMObjectPath managerPath = endpointPath(path, secondEnd());
    managerPath.setKeyBindings(keys);
    CIMInstance manager(managerPath);
    for (const auto& property : interop::objectManagerProperties(kSoftwareDescription)) manager.addProperty(property);

    const auto before = out.size();
    pairInstances(path, software, {manager}, out);
    if (out.size() == before) LogMessage(4, "No instances of association class");
    LogTrace("Exiting ORVObjectManagerElementSoftwareIdentity::enumerateInstances()");
}

bool ORVObjectManagerElementSoftwareIdentity::MatchInstances(const CIMInstance& software, const CIMInstance&) {
    return readProperty<std::string>(software, "InstanceID").value_or("") == "SMI-S Provider";
}

}  // namespace orv::cim::fwf
