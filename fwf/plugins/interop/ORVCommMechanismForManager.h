// The object manager is reached through the CIM-XML communication mechanisms
// of its host.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVCommMechanismForManager : public AbstractAssociationProviderPlugin {
public:
    ORVCommMechanismForManager();
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
};

}  // namespace orv::cim::fwf
