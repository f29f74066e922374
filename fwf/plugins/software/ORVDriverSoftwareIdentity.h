// The operating-system driver of the controllers: one identity for all of
// them, since one driver serves every controller of the host.
#pragma once

#include <string>

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVDriverSoftwareIdentity : public AbstractInstanceProviderPlugin {
public:
    // Reads the driver's version once; with no controller it stays empty.
    ORVDriverSoftwareIdentity();

    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

private:
    std::string driverVersion_;
};

}  // namespace orv::cim::fwf
