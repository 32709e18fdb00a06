// Radar height sets: the text header that names a set and the matching of its
// "values ; KEY" lines.
#pragma once

// True when the file reads as text and holds the four keys every radar header
// has: "DATA FILE TYPE", "DATA FILE DIMENSIONS", "POST SPACING" and
// "STARTING CORNER POSITION".
bool IsRadarHeaderFile(const char* path);
// A line matches when the text after its first semicolon (leading blanks
// skipped, upper-cased, trailing blanks cut) and the key agree over the
// length of the shorter of the two. A line without a semicolon never matches.
bool MatchHeaderKey(const char* line, const char* key);
// Searches the header from its start for the first line matching the key and
// copies it, upper-cased and trimmed, to `line` (255 characters); false when
// no line matches or the file cannot be read.
bool FindHeaderKey(const char* path, char* line, const char* key);
