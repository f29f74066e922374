#include "ORVDriverSoftwareIdentity.h"

#include "Logger.h"
#include "SoftwareIdentitySupport.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

namespace {
constexpr const char* kClassName = "ORV_DriverSoftwareIdentity";
constexpr const char* kInstanceId = "Driver";
}  // namespace

ORVDriverSoftwareIdentity::ORVDriverSoftwareIdentity()
    : driverVersion_(storage::readVersionInfo(
          "DriverVersion", "orv::cim::fwf::ORVDriverSoftwareIdentity::ORVDriverSoftwareIdentity",
          "%s ::VrlOperation::getVersionInfo :\t\t\t    VRLib returned error : %d",
          "%s :: Vrlib getVersionInfo success.")) {}

void ORVDriverSoftwareIdentity::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    if (!storage::isClass(path, kClassName)) {
        LogMessage(2, "%s :: ObjectPath classname not equal to %s",
                   "orv::cim::fwf::ORVDriverSoftwareIdentity::getRepositoryObjects", kClassName);
        return;
    }
    orv::raidlib::PropertyContainer object;
    object.insertString("InstanceID", kInstanceId, true);
    out.push_back(std::move(object));
    keepRequested(path, out);
}

void ORVDriverSoftwareIdentity::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                 KeyBindingList& out) {
    copyStringKeys(object, out);
}

void ORVDriverSoftwareIdentity::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    storage::addSoftwareIdentityProperties(out, "DRIVER", driverVersion_, 2);
}

}  // namespace orv::cim::fwf
