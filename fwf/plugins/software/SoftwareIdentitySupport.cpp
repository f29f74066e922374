#include "SoftwareIdentitySupport.h"

#include <vector>

#include "ControllerSupport.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf::storage {

void addSoftwareIdentityProperties(PropertyList& out, const std::string& name,
                                   const std::optional<std::string>& version, uint16_t classification) {
    out.push_back(stringProperty("Name", name));
    if (version) out.push_back(stringProperty("VersionString", *version));
    addUint16Array(out, "Classifications", {classification});
    out.push_back(stringProperty("Manufacturer", "ORV-Kestra"));
    out.push_back(scalarProperty("IsEntity", true, CIM_BOOLEAN));
}

std::string readVersionInfo(const char* outputName, const char* qualifiedName, const char* failureLog,
                            const char* successLog) {
    orv::raidlib::VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", qualifiedName);
        return {};
    }
    // The library answers versions for a controller; any controller will do.
    std::vector<orv::raidlib::PropertyContainer> controllers;
    library->getStorageClass(kControllers, controllers);
    orv::raidlib::VrlInt contrId = 0;
    if (controllers.empty() || controllers.front().getPropertyValue(contrId, "contrId", true) != 0) {
        LogMessage(2, "%s :: getPropertyValue(VrlController::contrId) failed", qualifiedName);
        return {};
    }
    orv::raidlib::PropertyContainer in;
    orv::raidlib::PropertyContainer out;
    in.insertInt("contrId", contrId, true);
    if (const uint32_t status = library->invokeMethod("getVersionInfo", in, out); status != 0) {
        LogMessage(2, failureLog, qualifiedName, static_cast<int>(status));
        return {};
    }
    if (successLog != nullptr) LogMessage(4, successLog, qualifiedName);
    std::string version;
    if (out.getPropertyValue(version, outputName, false) != 0) {
        LogMessage(2, "getPropertyValue(VrlGetVersionOut::%s) failed", outputName);
        return {};
    }
    return version;
}

std::string ControllerSoftwareIdentity::qualifiedName(const char* operation) const {
    return std::string("orv::cim::fwf::") + description_.pluginName + "::" + operation;
}

void ControllerSoftwareIdentity::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    const std::string name = qualifiedName("getRepositoryObjects");
    selectControllerObjects(
        path, {description_.className, "InstanceID", 1, name.c_str(), kControllers, LibraryFailureLog::LibraryStatus},
        out);
}

void ControllerSoftwareIdentity::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                  KeyBindingList& out) {
    const uint32_t contrId = requireControllerId(object, qualifiedName("getKeyAttributes").c_str());
    out.push_back(stringKey("InstanceID", std::to_string(contrId) + "_" + description_.instanceSuffix));
}

void ControllerSoftwareIdentity::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                     PropertyList& out) {
    const LibraryPropertyReader read(object, "VrlController");
    addSoftwareIdentityProperties(out, description_.name, read.text(description_.versionProperty),
                                  description_.classification);
}

}  // namespace orv::cim::fwf::storage
