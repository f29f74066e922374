// Where a controller firmware image that a client sends is kept until the
// RAID library installs it, and how it gets there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CIMArgumentList.h"

namespace orv::cim::fwf::storage {

// <installation directory>/FW/varnel_G_fast_new.fdl; empty when the
// installation directory is not configured.
std::string firmwareImagePath();

// The bytes of the method argument "Image" (an octet array), or nothing when
// the call carries no such argument.
std::optional<std::vector<uint8_t>> firmwareImageArgument(const CIMArgumentList& in);

// Replaces the stored image with these bytes, in order. False (logged at
// level 2 under the qualified name) when the file cannot be written.
bool storeFirmwareImage(const std::vector<uint8_t>& image, const char* qualifiedName);

}  // namespace orv::cim::fwf::storage
