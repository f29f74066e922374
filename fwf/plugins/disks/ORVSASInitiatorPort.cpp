#include "ORVSASInitiatorPort.h"

#include "PropertyBuilders.h"

namespace orv::cim::fwf {

namespace {

// UsageRestriction "Back-end only": the port reaches disks, not hosts.
constexpr uint16_t kBackEndOnly = 3;
// PortType of a SAS port, as the controller's target port has it.
constexpr uint16_t kSasPort = 94;

}  // namespace

ORVSASInitiatorPort::ORVSASInitiatorPort() : ControllerPortPlugin("ORV_SASInitiatorPort", "ORVSASInitiatorPort") {}

std::pair<std::string, std::string> ORVSASInitiatorPort::portKey(const storage::ControllerPort& port) const {
    return {"DeviceID", storage::portDeviceId(port)};
}

void ORVSASInitiatorPort::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    storage::addUint16Array(out, "OperationalStatus", {2});
    out.push_back(scalarProperty("UsageRestriction", kBackEndOnly, CIM_UINT16));
    out.push_back(scalarProperty("PortType", kSasPort, CIM_UINT16));
    out.push_back(stringProperty("PermanentAddress", portOf(object).sasAddress));
}

}  // namespace orv::cim::fwf
