// A physical disk behind a controller. Its locate light can be switched with
// ModifyInstance of LocationIndicator; ReclaimPD wipes the disk's RAID
// metadata and IsDiskRebuildable asks whether it can rebuild an array.
#pragma once

#include "DiskSupport.h"

namespace orv::cim::fwf {

class ORVDiskDrive : public storage::PhysicalDiskPlugin {
public:
    ORVDiskDrive();
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;

private:
    void switchLocateLight(const CIMObjectPath& path, const CIMInstance& instance);
    uint32_t reclaim(const CIMObjectPath& path);
    uint32_t reportRebuildCandidate(const CIMObjectPath& path, CIMArgumentList& out);
};

}  // namespace orv::cim::fwf
