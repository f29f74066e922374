// The usable volume of a RAID array: one per volume entry whose volume
// exists (the entry is no longer reserved). Its name may be changed.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVStorageVolume : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& volume, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& volume, PropertyList& out) override;
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;
};

}  // namespace orv::cim::fwf
