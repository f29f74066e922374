// Which registered subprofiles require other subprofiles. None of the published
// subprofiles carries an identifier of the list, so the class has no instances.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVSubProfileRequiresSubProfile : public AbstractAssociationProviderPlugin {
public:
    ORVSubProfileRequiresSubProfile();
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
};

}  // namespace orv::cim::fwf
