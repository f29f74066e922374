// A long-running controller command as a CIM job, running or finished and
// not yet removed. Jobs follow the controller: nothing of them can be
// modified and their state cannot be requested.
#pragma once

#include "AbstractInstanceProviderPlugin.h"
#include "AbstractMethodProviderPlugin.h"

namespace orv::cim::fwf {

class ORVConcreteJob : public AbstractInstanceProviderPlugin, public AbstractMethodProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& record, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& record, PropertyList& out) override;
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;
};

}  // namespace orv::cim::fwf
