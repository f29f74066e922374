// The method call a job stands for, as a client would have seen it announced
// before and after the call: one per job that a configuration method started.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVJobMethodResult : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& record, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& record, PropertyList& out) override;
};

}  // namespace orv::cim::fwf
