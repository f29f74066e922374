#include "ORVInitiatorSASPhy.h"

#include "PropertyBuilders.h"

namespace orv::cim::fwf {

namespace {

// SAS link rate codes.
constexpr uint16_t kRate1_5Gbps = 8;
constexpr uint16_t kRate6Gbps = 10;

}  // namespace

ORVInitiatorSASPhy::ORVInitiatorSASPhy() : ControllerPortPlugin("ORV_InitiatorSASPhy", "ORVInitiatorSASPhy") {}

std::pair<std::string, std::string> ORVInitiatorSASPhy::portKey(const storage::ControllerPort& port) const {
    return {"DeviceID", storage::portDeviceId(port)};
}

void ORVInitiatorSASPhy::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    // The library reports no rates per phy: the controller's phys span
    // 1.5 to 6 Gbit/s, are left at that span, and run at the disks' 6 Gbit/s.
    out.push_back(scalarProperty("HardwareMinimumPhysicalLinkRate", kRate1_5Gbps, CIM_UINT16));
    out.push_back(scalarProperty("HardwareMaximumPhysicalLinkRate", kRate6Gbps, CIM_UINT16));
    out.push_back(scalarProperty("ProgrammedMinimumPhysicalLinkRate", kRate1_5Gbps, CIM_UINT16));
    out.push_back(scalarProperty("ProgrammedMaximumPhysicalLinkRate", kRate6Gbps, CIM_UINT16));
    out.push_back(scalarProperty("NegotiatedPhysicalLinkRate", kRate6Gbps, CIM_UINT16));
}

}  // namespace orv::cim::fwf
