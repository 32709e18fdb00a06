// Calendar dates of GPS times.
#include "data/gps_time.h"
#include "data/data_set.h"
#include <cmath>
#include <cstdio>

int64_t JulianDayNumber(int64_t year, int64_t month, int64_t day)
{
    int64_t a = (14 - month) / 12;
    int64_t y = year + 4800 - a;
    int64_t m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

const char kGPSWeekTimeNoDate[] = "no date: GPS week time";

bool IsStandardGPSTime(uint16_t globalEncoding)
{
    return (globalEncoding & 1) != 0;
}

const char kNoGPSTimesNoDate[] = "no date: the points carry no GPS time";
const char kNoGPSTimesRange[] = "none: the points carry no GPS time";

bool KeepsGPSTimes(int source, int format)
{
    if (source == SOURCE_LAS) return format >= 1 && format <= 10 && format != 2;
    if (source == SOURCE_LAZ) return format == 1 || format == 3 || (format >= 6 && format <= 8);
    return false;
}

char* GPSTimeToDateText(double gpsTime, char* text, size_t size)
{
    if (size == 0) return text;
    text[0] = 0;
    const double s = gpsTime - 18.0 + 1000000000.0;
    // About 270,000 years either side: the integer formulas below stay exact
    // and the year keeps to a few digits. Beyond it (or NaN) there is no date.
    if (!std::isfinite(s) || std::fabs(s) > 8.64e12) return text;
    const int64_t epoch = JulianDayNumber(1980, 1, 6);
    int64_t days = (int64_t)std::floor(s / 86400.0);
    int64_t J = days + epoch;
    int64_t L = J + 68569;
    int64_t N = 4 * L / 146097;
    L = L - (146097 * N + 3) / 4;
    int64_t I = 4000 * (L + 1) / 1461001;
    L = L - 1461 * I / 4 + 31;
    int64_t K = 80 * L / 2447;
    int64_t day = L - 2447 * K / 80;
    L = K / 11;
    int64_t month = K + 2 - 12 * L;
    int64_t year = 100 * (N - 49) + I + L;
    int64_t S = (int64_t)std::floor(s - (double)(J - epoch) * 86400.0);
    snprintf(text, size, "%02d/%02d/%lld %02d:%02d:%02d", (int)month, (int)day, (long long)year,
             (int)(S / 3600), (int)(S % 3600 / 60), (int)(S % 60));
    return text;
}
