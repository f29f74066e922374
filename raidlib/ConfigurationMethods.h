// The RAID methods that need neither the cache nor the facade mutex: each
// turns its input properties into the library's input record, calls the
// library and turns the answer into output properties.
#pragma once

#include <cstdint>
#include <string>

#include "LibraryBinding.h"
#include "PropertyContainer.h"

namespace orv::raidlib {

// Runs the named method; false when the name is not one of these methods.
bool runStatelessMethod(const LibraryBinding& library, const std::string& methodName, const PropertyContainer& in,
                        PropertyContainer& out, uint32_t& status);

// "getContrDefaults": the controller's factory settings.
uint32_t getControllerDefaults(const LibraryBinding& library, const PropertyContainer& in, PropertyContainer& out);

// Inputs as every method reads them: a missing or mistyped input reads as
// zero (or empty), the read status is returned for the few callers that
// care.
VrlInt inputInt(const PropertyContainer& in, const char* name, bool isKey);
VrlVector inputVector(const PropertyContainer& in, const char* name, bool isKey);

}  // namespace orv::raidlib
