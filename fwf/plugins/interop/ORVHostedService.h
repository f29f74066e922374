// The host runs the object manager.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVHostedService : public AbstractAssociationProviderPlugin {
public:
    ORVHostedService();
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
};

}  // namespace orv::cim::fwf
