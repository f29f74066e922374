// What arrays can be built from a primordial pool: the redundancy the
// controller's RAID levels offer. Clients make their own settings here with
// CreateSetting.
#pragma once

#include <mutex>

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVPrimordialPoolCapabilities : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& pool, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& pool, PropertyList& out) override;
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;

private:
    // Two CreateSetting calls at once must not pick the same SettingID.
    std::mutex settingIdMutex_;
};

}  // namespace orv::cim::fwf
