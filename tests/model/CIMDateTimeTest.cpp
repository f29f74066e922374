#include "CIMDateTime.h"
#include "CIMException.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using orv::cim::fwf::CIMDateTime;
using orv::cim::fwf::CIMException;

namespace {

constexpr uint64_t kSecond = 1000000;
constexpr uint64_t kDay = 86400 * kSecond;
const CIMDateTime kFiveMinutes("00000000000500.000000:000");

}  // namespace

TEST(CIMDateTimeTest, ParsesFixedPositions) {
    const CIMDateTime stamp("20100315143005.123456-300");
    EXPECT_EQ(stamp.getMicroseconds(), 123456);
    EXPECT_EQ(stamp.getSeparator(), '-');
    EXPECT_EQ(stamp.getUtcOffset(), "+530");
    EXPECT_EQ(stamp.toString(), "20100315143005.123456+530");

    EXPECT_EQ(kFiveMinutes.getSeparator(), ':');
    // Only the last two digits of an interval's day count reach the day.
    EXPECT_EQ(CIMDateTime("00001234000000.000000:000").getDay(), 34);

    EXPECT_EQ(CIMDateTime("2010ab15143005.12345x+530").getMonth(), 0);
    EXPECT_THROW(CIMDateTime("20100315143005.123456"), std::out_of_range);
    EXPECT_NO_THROW(CIMDateTime("20100315143005.123456+"));
}

TEST(CIMDateTimeTest, FormatsWithPaddingAndFixedOffset) {
    EXPECT_EQ(CIMDateTime().toString(), "00000000000000.000000+530");
    EXPECT_EQ(CIMDateTime(2010, 3, 5, 4, 3, 2, 1).toString(), "20100305040302.000001+530");

    const std::string now = CIMDateTime::now().toString();
    ASSERT_EQ(now.size(), 25u);
    EXPECT_EQ(now.substr(21), "+530");
    EXPECT_EQ(now.substr(18, 3), "000");
    EXPECT_EQ(now[14], '.');
    EXPECT_GE(CIMDateTime::now().getYear(), 2024);
}

TEST(CIMDateTimeTest, DifferenceAcrossDaysMonthsAndYears) {
    EXPECT_EQ(CIMDateTime(2010, 1, 1, 0, 1, 0).calculateTimeDifference(CIMDateTime(2009, 12, 31, 23, 59, 0)),
              120 * kSecond);
    EXPECT_EQ(CIMDateTime(2008, 3, 1, 0, 0, 0).calculateTimeDifference(CIMDateTime(2008, 2, 28, 0, 0, 0)), 2 * kDay);
    EXPECT_EQ(CIMDateTime(2100, 3, 1, 0, 0, 0).calculateTimeDifference(CIMDateTime(2100, 2, 28, 0, 0, 0)), 1 * kDay);
    EXPECT_EQ(CIMDateTime(2000, 3, 1, 0, 0, 0).calculateTimeDifference(CIMDateTime(2000, 2, 28, 0, 0, 0)), 2 * kDay);
    // Whole years in between count their own length: 2008 is a leap year.
    EXPECT_EQ(CIMDateTime(2009, 1, 1, 0, 0, 0).calculateTimeDifference(CIMDateTime(2007, 1, 1, 0, 0, 0)),
              (365 + 366) * kDay);
    EXPECT_EQ(CIMDateTime(2001, 3, 1, 0, 0, 0).calculateTimeDifference(CIMDateTime(2000, 2, 28, 0, 0, 0)),
              367 * kDay);
    EXPECT_EQ(CIMDateTime(2010, 3, 15, 14, 30, 0, 250).calculateTimeDifference(CIMDateTime(2010, 3, 15, 14, 29, 59, 500)),
              kSecond - 250);
    // The offset plays no part.
    EXPECT_EQ(CIMDateTime("20100315143000.000000-300").calculateTimeDifference(CIMDateTime("20100315142900.000000+060")),
              60 * kSecond);
}

TEST(CIMDateTimeTest, DifferenceRefusesAnEarlierCurrentYear) {
    try {
        CIMDateTime(2009, 12, 31, 0, 0, 0).calculateTimeDifference(CIMDateTime(2010, 1, 1, 0, 0, 0));
        FAIL() << "no exception";
    } catch (const CIMException& e) {
        EXPECT_EQ(e.getCode(), 1);
        EXPECT_EQ(e.getMessage(),
                  "orv::cim::fwf::CIMDateTime::calculateTimeDifference :: Current year cannot be less than past year.");
    }
    EXPECT_THROW(CIMDateTime(2009, 1, 1, 0, 0, 0).hasElapsed(CIMDateTime(2010, 1, 1, 0, 0, 0), kFiveMinutes),
                 CIMException);
    // A past later in the same year has not been reached yet.
    EXPECT_EQ(CIMDateTime(2010, 1, 1, 0, 0, 0).calculateTimeDifference(CIMDateTime(2010, 1, 1, 0, 0, 1)), 0u);
}

TEST(CIMDateTimeTest, IntervalElapsesOnlyAfterItsFullLength) {
    const CIMDateTime start(2010, 12, 31, 23, 58, 0, 0);
    EXPECT_FALSE(CIMDateTime(2011, 1, 1, 0, 2, 59, 999999).hasElapsed(start, kFiveMinutes));
    EXPECT_FALSE(CIMDateTime(2011, 1, 1, 0, 3, 0, 0).hasElapsed(start, kFiveMinutes));
    EXPECT_TRUE(CIMDateTime(2011, 1, 1, 0, 3, 0, 1).hasElapsed(start, kFiveMinutes));

    const CIMDateTime immediately("00000000000000.000000:000");
    EXPECT_FALSE(start.hasElapsed(start, immediately));
    EXPECT_TRUE(CIMDateTime(2010, 12, 31, 23, 58, 0, 1).hasElapsed(start, immediately));

    const CIMDateTime twoDays("00000002000000.000000:000");
    EXPECT_FALSE(CIMDateTime(2011, 1, 2, 23, 58, 0, 0).hasElapsed(start, twoDays));
    EXPECT_TRUE(CIMDateTime(2011, 1, 2, 23, 58, 0, 1).hasElapsed(start, twoDays));
}

TEST(CIMDateTimeTest, PointInTimeLimitAndOtherSeparators) {
    const CIMDateTime deadline("20100315143000.000000+530");
    const CIMDateTime ignoredStart;
    EXPECT_FALSE(CIMDateTime(2010, 3, 15, 14, 30, 0).hasElapsed(ignoredStart, deadline));
    EXPECT_TRUE(CIMDateTime(2010, 3, 15, 14, 30, 0, 1).hasElapsed(ignoredStart, deadline));
    EXPECT_FALSE(CIMDateTime(2010, 3, 15, 14, 29, 59).hasElapsed(ignoredStart, deadline));

    const CIMDateTime negativeOffset("20100315143000.000000-300");
    EXPECT_FALSE(CIMDateTime(2020, 1, 1, 0, 0, 0).hasElapsed(ignoredStart, negativeOffset));
    EXPECT_FALSE(CIMDateTime(2020, 1, 1, 0, 0, 0).hasElapsed(ignoredStart, CIMDateTime()));
}
