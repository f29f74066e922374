// CIM datetime values in local time, always written with the offset "+530",
// and CIM intervals. Both are read from the same fixed-position text; the
// character after the fraction tells them apart (':' marks an interval).
#pragma once

#include <cstdint>
#include <string>

namespace orv::cim::fwf {

class CIMDateTime {
public:
    CIMDateTime() = default;
    // Reads yyyymmddhhmmss.mmmmmm and the separator at position 21; a text
    // shorter than 22 characters raises std::out_of_range. Digits are read
    // with atoi, so a non-digit piece reads as 0. The offset is not read.
    explicit CIMDateTime(const std::string& text);
    CIMDateTime(int year, int month, int day, int hours, int minutes, int seconds, int microseconds = 0);

    // The host's local time; microseconds carry the clock's milliseconds.
    static CIMDateTime now();

    // yyyymmddhhmmss.mmmmmm+530
    std::string toString() const;

    // Microseconds from past to this value. A past in a later year raises
    // CIMException code 1; a past later than this value in time gives 0.
    uint64_t calculateTimeDifference(const CIMDateTime& past) const;

    // With this value as "now": for an interval limit, whether more than the
    // interval has passed since start; for a point-in-time limit, whether
    // now lies after it. Any other limit has never elapsed.
    bool hasElapsed(const CIMDateTime& start, const CIMDateTime& limit) const;

    int32_t getYear() const { return year_; }
    int32_t getMonth() const { return month_; }
    int32_t getDay() const { return day_; }
    int32_t getDayOfWeek() const { return dayOfWeek_; }
    int32_t getHours() const { return hours_; }
    int32_t getMinutes() const { return minutes_; }
    int32_t getSeconds() const { return seconds_; }
    int32_t getMicroseconds() const { return microseconds_; }
    const std::string& getUtcOffset() const { return utcOffset_; }
    char getSeparator() const { return separator_; }

private:
    int32_t microseconds_ = 0;
    int32_t seconds_ = 0;
    int32_t minutes_ = 0;
    int32_t hours_ = 0;
    int32_t day_ = 0;
    int32_t dayOfWeek_ = 0;
    int32_t month_ = 0;
    int32_t year_ = 0;
    std::string utcOffset_ = "+530";
    char separator_ = '\0';
};

}  // namespace orv::cim::fwf
