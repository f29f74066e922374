// The software identity of the provider that the object manager runs.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVObjectManagerElementSoftwareIdentity : public AbstractAssociationProviderPlugin {
public:
    ORVObjectManagerElementSoftwareIdentity();
    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;
    // The provider's own identity, not the RAID library's.
    bool MatchInstances(const CIMInstance& software, const CIMInstance& objectManager) override;
};

}  // namespace orv::cim::fwf
