// What the sparing service of one controller can do, and the one switch a
// client may throw here: whether the controller rebuilds onto a hot spare by
// itself when a member disk fails (AutomaticFailOver).
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVSpareConfigurationCapabilities : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;
};

}  // namespace orv::cim::fwf
