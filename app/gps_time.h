// Calendar text of GPS times as LAS files store them.
#pragma once

// The date and time of an adjusted standard GPS time (seconds since
// 1980-01-06 less 1e9, leap seconds up to 18 removed): "YYYY-MM-DD hh:mm:ss".
// Writes into `text` (at least 32 characters) and returns it.
char* GPSTimeToDateText(double gpsTime, char* text);
