// What the per-controller services of the storage namespace share: their
// keys, reading the controller number back from the service path a method
// is invoked on, and finding method arguments.
#pragma once

#include <cstdint>
#include <string>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMArgumentList.h"
#include "CIMObjectPath.h"
#include "VRLibFacadeIntf.h"

namespace orv::cim::fwf::storage {

// The two configuration services every controller hosts: their class and
// the prefix of their Name.
struct ControllerService {
    const char* className;
    const char* namePrefix;
};
constexpr ControllerService kStorageConfigurationService{"ORV_StorageConfigurationService",
                                                         "StorageConfigurationService"};
constexpr ControllerService kSpareConfigurationService{"ORV_SpareConfigurationService", "SpareConfigService"};

// SystemCreationClassName, SystemName, CreationClassName and Name
// "<namePrefix>_<contrId>" of a service hosted by the controller object.
void controllerServiceKeys(const orv::raidlib::PropertyContainer& controller, const char* className,
                           const char* namePrefix, const char* qualifiedName, KeyBindingList& out);

// ElementName "<what> of <controller name>" of such a service.
void controllerServiceElementName(const orv::raidlib::PropertyContainer& controller, const char* what,
                                  PropertyList& out);

// The controller a service path names: field 2 of its Name key, 0 when the
// key is missing (the caller checks presence where it must).
uint32_t serviceControllerId(const CIMObjectPath& servicePath);

// Whether two CIM names (methods, arguments, properties) are the same name.
bool sameCimName(const std::string& a, const std::string& b);

// The argument of this name, letter case ignored, when it carries a value; a
// NULL value counts as absent, as CIM clients mean it.
const CIMProperty* givenArgument(const CIMArgumentList& in, const std::string& name);

// The paths a reference or reference-array argument holds (empty for another type).
std::vector<CIMObjectPath> referencesOf(const CIMProperty& argument);

// The outcome of a library configuration operation: its status, and what it
// answered.
struct LibraryAnswer {
    uint32_t status;
    orv::raidlib::PropertyContainer out;
};
LibraryAnswer runLibraryOperation(orv::raidlib::VRLibFacadeIntf& library, const char* operation,
                                  const orv::raidlib::PropertyContainer& in);

}  // namespace orv::cim::fwf::storage
