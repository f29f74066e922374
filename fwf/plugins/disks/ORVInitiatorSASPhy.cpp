#include "ORVInitiatorSASPhy.h"

#include "PropertyBuilders.h"

namespace orv::cim::fwf {

namespace {

// The SAS link-rate code for a rate nobody reported.
constexpr uint16_t kRateUnknown = 0;

}  // namespace

ORVInitiatorSASPhy::ORVInitiatorSASPhy() : ControllerPortPlugin("ORV_InitiatorSASPhy", "ORVInitiatorSASPhy") {}

std::pair<std::string, std::string> ORVInitiatorSASPhy::portKey(const storage::ControllerPort& port) const {
    return {"DeviceID", storage::portDeviceId(port)};
}

void ORVInitiatorSASPhy::getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList& out) {
    // The library reports no link rate for a controller phy, and a rate
    // guessed from the product would mislead a client checking a slow link.
    for (const char* rate : {"HardwareMinimumPhysicalLinkRate", "HardwareMaximumPhysicalLinkRate",
                             "ProgrammedMinimumPhysicalLinkRate", "ProgrammedMaximumPhysicalLinkRate",
                             "NegotiatedPhysicalLinkRate"}) {
        out.push_back(scalarProperty(rate, kRateUnknown, CIM_UINT16));
    }
}

}  // namespace orv::cim::fwf
