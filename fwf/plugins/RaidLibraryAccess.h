// How plugins reach the RAID library: through the facade that the framework
// brought up at initialisation.
#pragma once

#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf {

// The RAID library facade, or null before the framework is initialised.
orv::raidlib::VRLibFacadeIntf* raidLibrary();
// The same, or CIMException code 1 "Failed to query hardware." (logged under
// the caller's qualified name) when there is none.
orv::raidlib::VRLibFacadeIntf& requireRaidLibrary(const char* qualifiedName);

}  // namespace orv::cim::fwf
