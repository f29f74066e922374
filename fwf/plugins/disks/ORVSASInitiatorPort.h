// A SAS port of the controller, facing the disks.
#pragma once

#include "ControllerPortSupport.h"

namespace orv::cim::fwf {

class ORVSASInitiatorPort : public storage::ControllerPortPlugin {
public:
    ORVSASInitiatorPort();
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

protected:
    std::pair<std::string, std::string> portKey(const storage::ControllerPort& port) const override;
};

}  // namespace orv::cim::fwf
