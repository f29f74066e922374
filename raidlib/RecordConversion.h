// Turns the library's fixed-layout records into cache objects. The same
// conversions serve the cache fill, the event refreshes and the
// configuration methods, so a refreshed value is always derived exactly as
// the filled one was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "PropertyContainer.h"
#include "VrlRecords.h"

namespace orv::raidlib {

// Text of a fixed-width field: up to the first zero byte, never past the
// field's width.
std::string fieldText(const char* field, size_t width);
template <size_t N>
std::string fieldText(const char (&field)[N]) {
    return fieldText(field, N);
}

// Copies text into a fixed-width field; the field need not end up
// terminated when the text fills it.
void copyToField(char* field, size_t width, const std::string& text);

// Addresses of the first `count` slots, each as 16 upper-case hex digits,
// joined by ";".
std::string sasAddressText(const VrlSasAddressEntry* entries, size_t count);
std::string biosVersionText(const uint8_t (&bytes)[3]);
// The four bytes of a version number, most significant first, joined by ".".
std::string versionText(uint32_t version);

// A count read from a record, limited to the entries the record can hold.
// An oversized count is the library's fault; it is logged and cut.
unsigned boundedCount(unsigned count, unsigned capacity, const char* what);

// 1 for a hot spare, 3 for a RAID group member, else 0.
constexpr VrlInt kPdConfigNone = 0;
constexpr VrlInt kPdConfigHotSpare = 1;
constexpr VrlInt kPdConfigMember = 3;
VrlInt pdConfigOf(const VrlPhysDiskRecord& record);

PropertyContainer controllerObject(uint32_t contrId, const VrlControllerRecord& record);
// Adds the defaultXxx properties from the output of "getContrDefaults".
void addControllerDefaults(PropertyContainer& controller, const PropertyContainer& defaults);
PropertyContainer volumeObject(uint32_t contrId, const VrlVolumeRecord& record);
PropertyContainer physicalDiskObject(uint32_t contrId, const VrlPhysDiskRecord& record);
PropertyContainer enclosureObject(uint32_t contrId, const VrlEnclosureRecord& record);
PropertyContainer batteryObject(uint32_t contrId, const VrlBatteryRecord& record);

}  // namespace orv::raidlib
