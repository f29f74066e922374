// The host offers the CIM-XML communication mechanisms.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVHostedAccessPoint : public AbstractAssociationProviderPlugin {
public:
    ORVHostedAccessPoint();
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
};

}  // namespace orv::cim::fwf
