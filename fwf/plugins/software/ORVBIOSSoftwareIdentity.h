// The option-ROM BIOS of each controller.
#pragma once

#include "SoftwareIdentitySupport.h"

namespace orv::cim::fwf {

class ORVBIOSSoftwareIdentity : public storage::ControllerSoftwareIdentity {
public:
    ORVBIOSSoftwareIdentity()
        : ControllerSoftwareIdentity(
              {"ORV_BiosSoftwareIdentity", "ORVBIOSSoftwareIdentity", "BIOS", "BIOS", "biosVersion", 11}) {}
};

}  // namespace orv::cim::fwf
