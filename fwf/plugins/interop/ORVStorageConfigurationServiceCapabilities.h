// What each controller's storage configuration service can do: one instance
// per controller.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVStorageConfigurationServiceCapabilities : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& controller, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& controller, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
