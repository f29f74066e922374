// The registered profile and subprofile classes: one instance per row of a
// fixed profile table, in table order.
#pragma once

#include <vector>

#include "AbstractInstanceProviderPlugin.h"
#include "InteropCommon.h"

namespace orv::cim::fwf {

class ProfileTablePlugin : public AbstractInstanceProviderPlugin {
public:
    explicit ProfileTablePlugin(const std::vector<interop::ProfileRecord>& table) : table_(table) {}

    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

private:
    const std::vector<interop::ProfileRecord>& table_;
};

}  // namespace orv::cim::fwf
