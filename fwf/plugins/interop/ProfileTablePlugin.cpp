#include "ProfileTablePlugin.h"

#include <string>

#include "PropertyBuilders.h"

namespace orv::cim::fwf {

void ProfileTablePlugin::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    for (const auto& record : table_) {
        orv::raidlib::PropertyContainer object;
        object.insertString("InstanceID", record.instanceId, true);
        out.push_back(std::move(object));
    }
    keepRequested(path, out);
}

void ProfileTablePlugin::getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) {
    copyStringKeys(object, out);
}

void ProfileTablePlugin::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) {
    std::string instanceId;
    object.getPropertyValue(instanceId, "InstanceID", true);
    for (const auto& record : table_) {
        if (instanceId != record.instanceId) continue;
        out.push_back(scalarProperty<uint16_t>("RegisteredOrganization", record.registeredOrganization, CIM_UINT16));
        out.push_back(stringProperty("RegisteredName", record.registeredName));
        out.push_back(stringProperty("RegisteredVersion", record.registeredVersion));
        out.push_back(arrayProperty("AdvertiseTypes", record.advertiseTypes, CIM_UINT16_ARRAY));
        return;
    }
}

}  // namespace orv::cim::fwf
