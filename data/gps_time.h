// Calendar dates of GPS times: the LAS File Information dialog and the
// point query tooltip show GPS times as dates.
#pragma once
#include <cstddef>
#include <cstdint>

// The Julian day number of a Gregorian calendar date.
int64_t JulianDayNumber(int64_t year, int64_t month, int64_t day);
// Adjusted standard GPS time as "MM/DD/YYYY HH:MM:SS" (UTC, 18 leap seconds),
// written into `text`, which it returns; empty for a time no calendar date
// fits (not finite, or beyond some hundred thousand years).
char* GPSTimeToDateText(double gpsTime, char* text, size_t size);
// Whether a LAS file's GPS times are adjusted standard GPS time (global
// encoding bit 0). Otherwise they are GPS week time, seconds since the start
// of an unnamed week, which no date can be given; LAS 1.0 and 1.1 know only those.
bool IsStandardGPSTime(uint16_t globalEncoding);
// The value of a date row or line for GPS week time.
extern const char kGPSWeekTimeNoDate[];
// Whether the points a loader made from a file of `source` (DataSetSource)
// and point data `format` keep the file's GPS times. The LAS loader keeps
// those of every format that has them; the LAZ loader those of formats 1, 3
// and 6 to 8 only (the others, with wave packets, load as 0); ASCII points
// and grids have none.
bool KeepsGPSTimes(int source, int format);
// The value of a date row or line for points that keep no GPS time.
extern const char kNoGPSTimesNoDate[];
// The value of a GPS time range row for such points.
extern const char kNoGPSTimesRange[];
