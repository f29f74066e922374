#include "DateTimeText.h"

#include <chrono>
#include <cstdio>

namespace orv::cmpiserver::datetime {

namespace {

constexpr std::size_t kLength = 25;
constexpr std::uint64_t kMicrosPerSecond = 1000000;

bool isDigitOrWildcard(char c) { return (c >= '0' && c <= '9') || c == '*'; }

// Reads a field of digits; a field with a wildcard reads as zero.
unsigned field(std::string_view text, std::size_t from, std::size_t count) {
    unsigned value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] == '*') return 0;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value;
}

bool hasWildcard(std::string_view text, std::size_t from, std::size_t count) {
    return text.substr(from, count).find('*') != std::string_view::npos;
}

// Days from 1970-01-01 to a civil date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

bool inRange(std::string_view text, std::size_t from, unsigned low, unsigned high) {
    if (hasWildcard(text, from, 2)) return true;
    const unsigned value = field(text, from, 2);
    return value >= low && value <= high;
}

}  // namespace

bool isValid(std::string_view text) {
    if (text.size() != kLength || text[14] != '.') return false;
    for (std::size_t i = 0; i < 21; ++i)
        if (i != 14 && !isDigitOrWildcard(text[i])) return false;
    const char sign = text[21];
    if (sign != '+' && sign != '-' && sign != ':') return false;
    for (std::size_t i = 22; i < kLength; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    if (sign == ':')
        return text.substr(22) == "000" && inRange(text, 8, 0, 23) && inRange(text, 10, 0, 59) &&
               inRange(text, 12, 0, 59);
    return inRange(text, 4, 1, 12) && inRange(text, 6, 1, 31) && inRange(text, 8, 0, 23) &&
           inRange(text, 10, 0, 59) && inRange(text, 12, 0, 60);
}

bool isInterval(std::string_view text) { return isValid(text) && text[21] == ':'; }

std::optional<std::uint64_t> toMicroseconds(std::string_view text) {
    if (!isValid(text)) return std::nullopt;
    const std::uint64_t clock = field(text, 8, 2) * 3600ULL + field(text, 10, 2) * 60ULL +
                                field(text, 12, 2);
    const std::uint64_t micros = field(text, 15, 6);
    if (text[21] == ':') {
        const std::uint64_t days = field(text, 0, 8);
        return (days * 86400ULL + clock) * kMicrosPerSecond + micros;
    }
    unsigned month = field(text, 4, 2);
    unsigned day = field(text, 6, 2);
    const std::int64_t days =
        daysFromCivil(field(text, 0, 4), month == 0 ? 1 : month, day == 0 ? 1 : day);
    std::int64_t seconds = days * 86400 + static_cast<std::int64_t>(clock);
    // The text is local time at the given offset; UTC lies the offset behind.
    const std::int64_t offsetMinutes = field(text, 22, 3);
    seconds += text[21] == '+' ? -offsetMinutes * 60 : offsetMinutes * 60;
    if (seconds < 0) return std::nullopt;
    return static_cast<std::uint64_t>(seconds) * kMicrosPerSecond + micros;
}

std::string fromMicroseconds(std::uint64_t microseconds, bool interval) {
    const std::uint64_t micros = microseconds % kMicrosPerSecond;
    std::uint64_t seconds = microseconds / kMicrosPerSecond;
    const unsigned second = static_cast<unsigned>(seconds % 60);
    const unsigned minute = static_cast<unsigned>(seconds / 60 % 60);
    const unsigned hour = static_cast<unsigned>(seconds / 3600 % 24);
    const std::uint64_t days = seconds / 86400;
    char buffer[40];
    if (interval) {
        std::snprintf(buffer, sizeof buffer, "%08llu%02u%02u%02u.%06llu:000",
                      static_cast<unsigned long long>(days % 100000000ULL), hour, minute, second,
                      static_cast<unsigned long long>(micros));
        return buffer;
    }
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(static_cast<std::int64_t>(days), year, month, day);
    std::snprintf(buffer, sizeof buffer, "%04lld%02u%02u%02u%02u%02u.%06llu+000",
                  static_cast<long long>(year % 10000), month, day, hour, minute, second,
                  static_cast<unsigned long long>(micros));
    return buffer;
}

std::string now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(since).count();
    return fromMicroseconds(static_cast<std::uint64_t>(micros), false);
}

}  // namespace orv::cmpiserver::datetime
