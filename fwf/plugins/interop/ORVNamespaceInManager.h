// The object manager manages the interop namespace.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVNamespaceInManager : public AbstractAssociationProviderPlugin {
public:
    ORVNamespaceInManager();
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override;
};

}  // namespace orv::cim::fwf
