// Helpers shared by the plugins: RAID library status texts, key value
// fields, lower-case copies and CIM datetime texts from C times.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::cim::fwf::CommonFunctions {

// The human-readable reason for a non-zero RAID library status, ending in
// the status in decimal between parentheses. Firmware statuses need the RAID
// library; without it, raises CIMException code 1.
std::string getErrorDescription(uint32_t status);

// Field of an underscore-separated key value: 1 the part before the first
// "_", 2 everything after it, 3 everything after the second "_". A text
// without "_" is its own field for every index; other indices give "".
std::string token(const std::string& text, int index);
// The same field, borrowed from the text.
std::string_view tokenOf(std::string_view text, int index);

std::string toLower(const std::string& text);
// CIM names (classes, properties, keys, methods, arguments) are the same
// name whatever their case.
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// The lower-case letter of an ASCII upper-case one, any other byte as it
// is: CIM names are ASCII, and the C library's tolower is a call per
// character on paths walked for every request.
constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The local calendar time of a count of seconds since 1970-01-01 as a CIM
// datetime text (fraction .000000, offset +530).
std::string toCIMDateTime(int64_t secondsSince1970);

}  // namespace orv::cim::fwf::CommonFunctions
