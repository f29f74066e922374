// The registered profiles the provider implements.
#pragma once

#include "ProfileTablePlugin.h"

namespace orv::cim::fwf {

class ORVRegisteredProfile : public ProfileTablePlugin {
public:
    ORVRegisteredProfile();
};

}  // namespace orv::cim::fwf
