// Calendar dates of GPS times.
#include "test_support.h"
#include "data/gps_time.h"
#include <cmath>

TEST(GPSDates, KnownDatesAndTimesWithoutADate)
{
    EXPECT_EQ(JulianDayNumber(1980, 1, 6), 2444245);
    EXPECT_EQ(JulianDayNumber(2000, 1, 1), 2451545);
    char t[48];
    EXPECT_STREQ(GPSTimeToDateText(0, t, sizeof t), "09/14/2011 01:46:22");
    EXPECT_STREQ(GPSTimeToDateText(-1e9 + 18, t, sizeof t), "01/06/1980 00:00:00");
    EXPECT_STREQ(GPSTimeToDateText(-1e9 + 18 - 1, t, sizeof t), "01/05/1980 23:59:59");
    EXPECT_STREQ(GPSTimeToDateText(1e18, t, sizeof t), "");
    EXPECT_STREQ(GPSTimeToDateText(NAN, t, sizeof t), "");
}
