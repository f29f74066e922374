#include "ORVApplicationSoftwareIdentity.h"

#include "PropertyBuilders.h"
#include "SoftwareIdentitySupport.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kProviderId = "SMI-S Provider";
constexpr const char* kProviderVersion = "1.18.0.0";
constexpr const char* kLibraryId = "VrLib";

}  // namespace

ORVApplicationSoftwareIdentity::ORVApplicationSoftwareIdentity()
    : libraryVersion_(storage::readVersionInfo(
          "VrlVersion", "orv::cim::fwf::ORVApplicationSoftwareIdentity::ORVApplicationSoftwareIdentity",
          "%s ::VrlOperation::getVersionInfo :                VRLib returned error : %d")) {}

void ORVApplicationSoftwareIdentity::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    for (const char* instanceId : {kProviderId, kLibraryId}) {
        orv::raidlib::PropertyContainer object;
        object.insertString("InstanceID", instanceId, true);
        out.push_back(std::move(object));
    }
    keepRequested(path, out);
}

void ORVApplicationSoftwareIdentity::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                      KeyBindingList& out) {
    copyStringKeys(object, out);
}

void ORVApplicationSoftwareIdentity::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                         PropertyList& out) {
    std::string instanceId;
    object.getPropertyValue(instanceId, "InstanceID", true);
    storage::addSoftwareIdentityProperties(out, instanceId,
                                           instanceId == kProviderId ? kProviderVersion : libraryVersion_, 4);
}

}  // namespace orv::cim::fwf
