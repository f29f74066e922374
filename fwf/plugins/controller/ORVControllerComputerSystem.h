// A RAID controller seen as a computer system: its identity, its settings
// (some writable through ModifyInstance) and what it supports. Its Name is
// the SystemName of every device that hangs off it.
#pragma once

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVControllerComputerSystem : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

    // Sends the listed settings to the controller in one library call. At
    // most eight properties at a time; a property that is not a writable
    // setting is refused with code 7 before anything is sent.
    void modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) override;

    // Stores the firmware image of the argument "Image" for installation:
    // 0 when it was stored, 1 when it could not be.
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;
};

}  // namespace orv::cim::fwf
