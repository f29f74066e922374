#include "ORVPortController.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {
constexpr const char* kClassName = "ORV_PortController";
}  // namespace

void ORVPortController::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(path,
                            {kClassName, "DeviceID", 2, "orv::cim::fwf::ORVPortController::getRepositoryObjects",
                             kControllers, LibraryFailureLog::RetrievalStatus},
                            out);
}

void ORVPortController::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVPortController::getKeyAttributes";
    const uint32_t contrId = requireControllerId(object, kName);
    out.push_back(stringKey("CreationClassName", kClassName));
    out.push_back(stringKey("DeviceID", controllerName(contrId)));
    if (const auto host = localHostName(kName)) out.push_back(stringKey("SystemName", *host));
    out.push_back(stringKey("SystemCreationClassName", "ORV_ControllerComputerSystem"));
}

void ORVPortController::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    addUint16Array(out, "OperationalStatus", {2});
    out.push_back(scalarProperty<uint16_t>("ControllerType", 1, CIM_UINT16));  // "Other"
    out.push_back(stringProperty("OtherControllerType", "SAS"));
}

}  // namespace orv::cim::fwf
