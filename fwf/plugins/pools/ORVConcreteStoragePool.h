// A RAID array as a storage pool: one per volume entry of a controller,
// whether its volume exists yet or not. Its name is the array's volume name,
// which a client may change.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVConcreteStoragePool : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& volume, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& volume, PropertyList& out) override;
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;
};

}  // namespace orv::cim::fwf
