// The capabilities of each controller's storage configuration service.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVStrgConfServiceElementCapabilities : public AbstractAssociationProviderPlugin {
public:
    ORVStrgConfServiceElementCapabilities();
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
};

}  // namespace orv::cim::fwf
