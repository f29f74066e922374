// Which registered subprofiles each registered profile requires.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVSubProfileRequiresProfile : public AbstractAssociationProviderPlugin {
public:
    ORVSubProfileRequiresProfile();
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
};

}  // namespace orv::cim::fwf
