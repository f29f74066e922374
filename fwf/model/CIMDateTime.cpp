#include "CIMDateTime.h"

#include "CIMException.h"
#include "Logger.h"
#include "OsServices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace orv::cim::fwf {

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;
constexpr int64_t kMicrosecondsPerDay = 86400 * kMicrosecondsPerSecond;
constexpr int kDaysPerMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool isLeapYear(int year) { return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0); }

int daysInYear(int year) { return isLeapYear(year) ? 366 : 365; }

// Months outside 1..12 (intervals carry month 0) add no whole months.
int dayOfYear(int year, int month, int day) {
    int days = day;
    for (int m = 1; m < month && m <= 12; ++m) {
        days += kDaysPerMonth[m - 1] + (m == 2 && isLeapYear(year) ? 1 : 0);
    }
    return days;
}

int readNumber(const std::string& text, std::size_t position, std::size_t length) {
    return std::atoi(text.substr(position, length).c_str());
}

}  // namespace

CIMDateTime::CIMDateTime(const std::string& text) {
    separator_ = text.at(21);
    year_ = readNumber(text, 0, 4);
    month_ = readNumber(text, 4, 2);
    day_ = readNumber(text, 6, 2);
    hours_ = readNumber(text, 8, 2);
    minutes_ = readNumber(text, 10, 2);
    seconds_ = readNumber(text, 12, 2);
    microseconds_ = readNumber(text, 15, 6);
}

CIMDateTime::CIMDateTime(int year, int month, int day, int hours, int minutes, int seconds, int microseconds)
    : microseconds_(microseconds),
      seconds_(seconds),
      minutes_(minutes),
      hours_(hours),
      day_(day),
      month_(month),
      year_(year) {}

CIMDateTime CIMDateTime::now() {
    OsLocalTime local{};
    OsGetLocalTime(&local);
    CIMDateTime value(local.year, local.month, local.day, local.hours, local.minutes, local.seconds,
                      local.milliseconds * 1000);
    value.dayOfWeek_ = local.dayOfWeek;
    return value;
}

std::string CIMDateTime::toString() const {
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d.%06d", year_, month_, day_, hours_, minutes_,
                  seconds_, microseconds_);
    return text + utcOffset_;
}

uint64_t CIMDateTime::calculateTimeDifference(const CIMDateTime& past) const {
    static const char* const kOperation = "orv::cim::fwf::CIMDateTime::calculateTimeDifference";
    if (year_ < past.year_) {
        throw CIMException(1, "%s :: %s", kOperation, "Current year cannot be less than past year.");
    }
    const int pastDayOfYear = dayOfYear(past.year_, past.month_, past.day_);
    const int currentDayOfYear = dayOfYear(year_, month_, day_);
    int64_t days = 0;
    if (year_ == past.year_) {
        days = currentDayOfYear - pastDayOfYear;
    } else {
        days = daysInYear(past.year_) - pastDayOfYear + currentDayOfYear;
        for (int year = past.year_ + 1; year < year_; ++year) days += daysInYear(year);
    }
    LogMessage(4, "%s :: Difference in Secs, %d n %d", kOperation, seconds_, past.seconds_);
    const int64_t difference = days * kMicrosecondsPerDay +
                               int64_t{hours_ - past.hours_} * 3600 * kMicrosecondsPerSecond +
                               int64_t{minutes_ - past.minutes_} * 60 * kMicrosecondsPerSecond +
                               int64_t{seconds_ - past.seconds_} * kMicrosecondsPerSecond +
                               (microseconds_ - past.microseconds_);
    // A past that lies ahead has not been reached: report no elapsed time
    // rather than an enormous unsigned one.
    return static_cast<uint64_t>(std::max<int64_t>(difference, 0));
}

bool CIMDateTime::hasElapsed(const CIMDateTime& start, const CIMDateTime& limit) const {
    if (limit.separator_ == ':') {
        const int64_t limitMicroseconds =
            (((int64_t{limit.day_} * 24 + limit.hours_) * 60 + limit.minutes_) * 60 + limit.seconds_) *
                kMicrosecondsPerSecond +
            limit.microseconds_;
        return static_cast<int64_t>(calculateTimeDifference(start)) > limitMicroseconds;
    }
    if (limit.separator_ == '+') return calculateTimeDifference(limit) > 0;
    return false;
}

}  // namespace orv::cim::fwf
