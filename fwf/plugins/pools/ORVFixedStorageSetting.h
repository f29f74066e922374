// The setting an existing array was built with: one per volume entry.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVFixedStorageSetting : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& volume, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& volume, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
