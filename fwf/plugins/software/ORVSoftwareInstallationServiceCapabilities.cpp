#include "ORVSoftwareInstallationServiceCapabilities.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {
constexpr const char* kClassName = "ORV_SoftwareInstallationServiceCapabilities";
constexpr const char* kIdPrefix = "SoftwareInstallationServiceCapabilities_";
// A firmware download replaces the image the controller runs: "Update".
constexpr uint16_t kUpdate = 5;
}  // namespace

void ORVSoftwareInstallationServiceCapabilities::getRepositoryObjects(const CIMObjectPath& path,
                                                                      RepositoryObjects& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVSoftwareInstallationServiceCapabilities::getRepositoryObjects";
    selectControllerObjects(path, {kClassName, "InstanceID", 2, kName, kControllers, LibraryFailureLog::LibraryStatus},
                            out);
}

void ORVSoftwareInstallationServiceCapabilities::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                                  KeyBindingList& out) {
    const uint32_t contrId =
        requireControllerId(object, "orv::cim::fwf::ORVSoftwareInstallationServiceCapabilities::getKeyAttributes");
    out.push_back(stringKey("InstanceID", kIdPrefix + std::to_string(contrId)));
}

void ORVSoftwareInstallationServiceCapabilities::getNonKeyAttributes(const orv::raidlib::PropertyContainer&,
                                                                     PropertyList& out) {
    out.push_back(stringProperty("ElementName", "Software Installation Service Capabilities"));
    addUint16Array(out, "InstallOptions", {kUpdate});
    addUint16Array(out, "SupportedInstallOptions", {kUpdate});
    // All three installation methods answer when the controller has taken
    // the image; none of them starts a job.
    addUint16Array(out, "SupportedAsynchronousActions", {});
    addUint16Array(out, "SupportedSynchronousActions", {3, 4, 5});
    addUint16Array(out, "SupportedURISchemes", {3});  // file
    out.push_back(scalarProperty("CanAddToCollection", false, CIM_BOOLEAN));
}

}  // namespace orv::cim::fwf
