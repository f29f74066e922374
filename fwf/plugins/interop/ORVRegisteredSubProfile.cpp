#include "ORVRegisteredSubProfile.h"

namespace orv::cim::fwf {

ORVRegisteredSubProfile::ORVRegisteredSubProfile() : ProfileTablePlugin(interop::registeredSubProfiles()) {}

}  // namespace orv::cim::fwf
