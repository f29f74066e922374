// The software that makes up the provider: the provider itself and the RAID
// management library it drives.
#pragma once

#include <string>

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVApplicationSoftwareIdentity : public AbstractInstanceProviderPlugin {
public:
    // Reads the library's version once; with no controller it stays empty.
    ORVApplicationSoftwareIdentity();

    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

private:
    std::string libraryVersion_;
};

}  // namespace orv::cim::fwf
