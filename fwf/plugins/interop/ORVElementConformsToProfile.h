// Which managed elements conform to which registered profiles and
// subprofiles.
#pragma once

#include "AbstractAssociationProviderPlugin.h"

namespace orv::cim::fwf {

class ORVElementConformsToProfile : public AbstractAssociationProviderPlugin {
public:
    ORVElementConformsToProfile();
    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;
    bool MatchInstances(const CIMInstance&, const CIMInstance&) override { return false; }
    // A request may name the CIM base class of an element ("CIM_X" stands
    // for the provider's "ORV_X").
    bool isEndpointClass(const std::string& className) const override;
};

}  // namespace orv::cim::fwf
