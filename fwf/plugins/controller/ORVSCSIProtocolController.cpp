#include "ORVSCSIProtocolController.h"

#include "ControllerSupport.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {
constexpr const char* kClassName = "ORV_SCSIProtocolController";
}  // namespace

void ORVSCSIProtocolController::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(
        path, {kClassName, "DeviceID", 2, "orv::cim::fwf::ORVSCSIProtocolController::getRepositoryObjects"}, out);
}

void ORVSCSIProtocolController::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                 KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVSCSIProtocolController::getKeyAttributes";
    const uint32_t contrId = requireControllerId(object, kName);
    // Clients have always seen the class's own name here, not the system's.
    out.push_back(stringKey("SystemCreationClassName", kClassName));
    out.push_back(stringKey("CreationClassName", kClassName));
    if (const auto host = localHostName(kName)) out.push_back(stringKey("SystemName", *host));
    out.push_back(stringKey("DeviceID", "SCSIProtocolController_" + std::to_string(contrId)));
}

void ORVSCSIProtocolController::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList&) {}

}  // namespace orv::cim::fwf
