// The raw capacity of each controller's disks, grouped by interface and
// medium: four pools per controller, whatever disks are present. Pool
// creation asks them which disks are free and what sizes a level can give.
#pragma once

#include "AbstractInstanceProviderPlugin.h"
#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf {

class ORVPrimordialStoragePool : public AbstractInstanceProviderPlugin, public orv::raidlib::EventObserver {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& pool, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& pool, PropertyList& out) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;
    // Capacities are read from the cache on every request, which the event
    // path keeps current, so an event needs no work here.
    void Update(orv::raidlib::PropertyContainer event) override;
};

}  // namespace orv::cim::fwf
