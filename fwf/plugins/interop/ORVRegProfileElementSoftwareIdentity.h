// Which software identities the software subprofiles describe.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVRegProfileElementSoftwareIdentity : public AbstractAssociationProviderPlugin {
public:
    ORVRegProfileElementSoftwareIdentity();
    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;
    bool MatchInstances(const CIMInstance&, const CIMInstance&) override { return false; }
    bool isEndpointClass(const std::string& className) const override;
};

}  // namespace orv::cim::fwf
