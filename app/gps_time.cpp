// GPS time to calendar text through the Win32 file-time calendar, which knows
// the Gregorian leap years; the 18 leap seconds since 1980 are taken off.
#include "app/gps_time.h"
#include <windows.h>
#include <cmath>
#include <cstdio>

char* GPSTimeToDateText(double gpsTime, char* text)
{
    SYSTEMTIME epoch = {1980, 1, 0, 6, 0, 0, 0, 0};
    FILETIME start;
    SystemTimeToFileTime(&epoch, &start);
    double seconds = gpsTime - 18 + 1e9;
    ULARGE_INTEGER t;
    t.LowPart = start.dwLowDateTime;
    t.HighPart = start.dwHighDateTime;
    if (!(seconds >= 0) || seconds > 1e11) {
        snprintf(text, 32, "%s", "-");
        return text;
    }
    t.QuadPart += (ULONGLONG)std::floor(seconds) * 10000000ULL;
    FILETIME at = {t.LowPart, t.HighPart};
    SYSTEMTIME s;
    FileTimeToSystemTime(&at, &s);
    snprintf(text, 32, "%04d-%02d-%02d %02d:%02d:%02d", s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond);
    return text;
}
