// The registered subprofiles the provider implements.
#pragma once

#include "ProfileTablePlugin.h"

namespace orv::cim::fwf {

class ORVRegisteredSubProfile : public ProfileTablePlugin {
public:
    ORVRegisteredSubProfile();
};

}  // namespace orv::cim::fwf
