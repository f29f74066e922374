#include "ORVRegisteredProfile.h"

namespace orv::cim::fwf {

ORVRegisteredProfile::ORVRegisteredProfile() : ProfileTablePlugin(interop::registeredProfiles()) {}

}  // namespace orv::cim::fwf
