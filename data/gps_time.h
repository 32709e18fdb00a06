// Calendar dates of GPS times: the LAS File Information dialog and the
// point query tooltip show GPS times as dates.
#pragma once
#include <cstdint>

// The Julian day number of a Gregorian calendar date.
int64_t JulianDayNumber(int64_t year, int64_t month, int64_t day);
// Adjusted standard GPS time as "MM/DD/YYYY HH:MM:SS" (UTC, 18 leap seconds).
// The text lives in a buffer that the next call overwrites; it is empty for a
// time no calendar date fits (not finite, or beyond some hundred thousand years).
const char* GPSTimeToDateText(double gpsTime);
