// Header lines of radar height sets.
#include "data/radar_grid.h"
#include "base/file_io.h"
#include <cctype>
#include <cstring>

static void TrimTrailing(char* text)
{
    size_t n = strlen(text);
    while (n > 0 && isspace((unsigned char)text[n - 1])) text[--n] = 0;
}

bool MatchHeaderKey(const char* line, const char* key)
{
    const char* semicolon = strchr(line, ';');
    if (!semicolon) return false;
    const char* rest = semicolon + 1;
    while (*rest && isspace((unsigned char)*rest)) rest++;
    char part[256];
    size_t n = 0;
    for (; rest[n] && n < sizeof part - 1; n++) part[n] = (char)toupper((unsigned char)rest[n]);
    part[n] = 0;
    TrimTrailing(part);
    size_t length = strlen(part), keyLength = strlen(key);
    size_t shorter = length < keyLength ? length : keyLength;
    return strncmp(part, key, shorter) == 0;
}

bool FindHeaderKey(const char* path, char* line, const char* key)
{
    LineReader* reader = OpenLineReader(path);
    if (!reader) return false;
    char text[255];
    bool found = false;
    while (ReadLine(reader, text, sizeof text)) {
        if (!MatchHeaderKey(text, key)) continue;
        for (char* c = text; *c; c++) *c = (char)toupper((unsigned char)*c);
        TrimTrailing(text);
        strcpy(line, text);
        found = true;
        break;
    }
    CloseLineReader(reader);
    return found;
}

bool IsRadarHeaderFile(const char* path)
{
    static const char* const keys[4] = {"DATA FILE TYPE", "DATA FILE DIMENSIONS", "POST SPACING",
                                        "STARTING CORNER POSITION"};
    char line[256];
    for (const char* key : keys)
        if (!FindHeaderKey(path, line, key)) return false;
    return true;
}
