// What the per-controller services of the storage namespace share: their
// keys, and reading the controller number back from the service path a
// method is invoked on.
#pragma once

#include <cstdint>
#include <string>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMObjectPath.h"

namespace orv::cim::fwf::storage {

// SystemCreationClassName, SystemName, CreationClassName and Name
// "<namePrefix>_<contrId>" of a service hosted by a controller.
void controllerServiceKeys(const char* className, const char* namePrefix, uint32_t contrId, KeyBindingList& out);

// The controller a service path names: field 2 of its Name key, 0 when the
// key is missing (the caller checks presence where it must).
uint32_t serviceControllerId(const CIMObjectPath& servicePath);

}  // namespace orv::cim::fwf::storage
