// The SAS phy behind each controller port, with its link rates.
#pragma once

#include "ControllerPortSupport.h"

namespace orv::cim::fwf {

class ORVInitiatorSASPhy : public storage::ControllerPortPlugin {
public:
    ORVInitiatorSASPhy();
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

protected:
    std::pair<std::string, std::string> portKey(const storage::ControllerPort& port) const override;
};

}  // namespace orv::cim::fwf
