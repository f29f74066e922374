#include "ORVApplicationSoftwareIdentity.h"

#include <vector>

#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kProviderId = "SMI-S Provider";
constexpr const char* kProviderVersion = "1.18.0.0";
constexpr const char* kLibraryId = "VrLib";

// The library reports its version for a controller; any controller will do.
std::string readLibraryVersion() {
    constexpr const char* kName = "orv::cim::fwf::ORVApplicationSoftwareIdentity::ORVApplicationSoftwareIdentity";
    orv::raidlib::VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", kName);
        return {};
    }
    std::vector<orv::raidlib::PropertyContainer> controllers;
    library->getStorageClass("IOAs", controllers);
    orv::raidlib::VrlInt contrId = 0;
    if (controllers.empty() || controllers.front().getPropertyValue(contrId, "contrId", true) != 0) {
        LogMessage(2, "%s :: getPropertyValue(VrlController::contrId) failed", kName);
        return {};
    }
    orv::raidlib::PropertyContainer in;
    orv::raidlib::PropertyContainer out;
    in.insertInt("contrId", contrId, true);
    if (const uint32_t status = library->invokeMethod("getVersionInfo", in, out); status != 0) {
        LogMessage(2, "%s ::VrlOperation::getVersionInfo :                VRLib returned error : %d", kName,
                   static_cast<int>(status));
        return {};
    }
    std::string version;
    if (out.getPropertyValue(version, "VrlVersion", false) != 0) {
        LogMessage(2, "getPropertyValue(VrlGetVersionOut::VrlVersion) failed");
        return {};
    }
    return version;
}

}  // namespace

ORVApplicationSoftwareIdentity::ORVApplicationSoftwareIdentity() : libraryVersion_(readLibraryVersion()) {}

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
    out.push_back(stringProperty("Name", instanceId));
    out.push_back(stringProperty("VersionString", instanceId == kProviderId ? kProviderVersion : libraryVersion_));
    out.push_back(arrayProperty<uint16_t>("Classifications", {4}, CIM_UINT16_ARRAY));
    out.push_back(stringProperty("Manufacturer", "ORV-Kestra"));
    out.push_back(scalarProperty("IsEntity", true, CIM_BOOLEAN));
}

}  // namespace orv::cim::fwf
