// Settings clients made with CreateSetting and may change before passing
// them as the Goal of pool creation. They live in the library cache only, so
// a restart of the RAID library forgets them.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVUserGeneratedSetting : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& setting, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& setting, PropertyList& out) override;
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;
};

}  // namespace orv::cim::fwf
