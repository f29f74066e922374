// Which registered profiles build on which profiles and subprofiles.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVReferencedProfile : public AbstractAssociationProviderPlugin {
public:
    ORVReferencedProfile();
    // The instances come from a fixed table, whether or not the profiles
    // they name are published.
    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;
    bool MatchInstances(const CIMInstance&, const CIMInstance&) override { return false; }
};

}  // namespace orv::cim::fwf
