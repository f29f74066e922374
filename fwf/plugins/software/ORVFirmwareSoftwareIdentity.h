// The firmware running on each controller.
#pragma once

#include "SoftwareIdentitySupport.h"

namespace orv::cim::fwf {

class ORVFirmwareSoftwareIdentity : public storage::ControllerSoftwareIdentity {
public:
    ORVFirmwareSoftwareIdentity()
        : ControllerSoftwareIdentity({"ORV_FirmwareSoftwareIdentity", "ORVFirmwareSoftwareIdentity", "Firmware",
                                      "FIRMWARE", "fwVersion", 10}) {}
};

}  // namespace orv::cim::fwf
