// CIM datetime text: "yyyymmddhhmmss.mmmmmmsutc" for points in time (s is
// '+' or '-', utc the offset in minutes) and "ddddddddhhmmss.mmmmmm:000"
// for intervals. Fields may hold '*' for "not known"; they count as zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv::cmpiserver::datetime {

bool isValid(std::string_view text);
bool isInterval(std::string_view text);

// Microseconds since 1970-01-01 00:00:00 UTC for a point in time, or the
// length of an interval; nothing for invalid text or a time before 1970.
std::optional<std::uint64_t> toMicroseconds(std::string_view text);

// Point in time in UTC (offset +000), or an interval.
std::string fromMicroseconds(std::uint64_t microseconds, bool interval);

// The current time as CIM text in UTC.
std::string now();

}  // namespace orv::cmpiserver::datetime
