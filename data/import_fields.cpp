// The import and available field lists and the line splitter.
#include "data/import_fields.h"
#include "base/heap.h"
#include <cstdio>
#include <cstring>

namespace {

struct FieldText {
    int32_t code;
    const char* name;
    const char* heading;
};

const FieldText kFieldTexts[] = {
    {FIELD_X, "X (Easting)", "X"},
    {FIELD_Y, "Y (Northing)", "Y"},
    {FIELD_Z, "Z (Elevation)", "Z"},
    {FIELD_SKIP, " <Skip Field>", "<Skip Field>"},
    {FIELD_INTENSITY, " Intensity", "INTENSITY"},
    {FIELD_RETURN_NUMBER, " Return Number", "RETURN_NUM"},
    {FIELD_RETURN_COUNT, " Number of Returns", "RETURN_CNT"},
    {FIELD_SCAN_DIRECTION, " Scan Direction Flag", "SCAN_DIR"},
    {FIELD_FLIGHT_EDGE, " Edge of Flight Line", "FLT_EDGE"},
    {FIELD_CLASSIFICATION, " Classification", "CLASS"},
    {FIELD_SCAN_ANGLE, " Scan Angle Rank", "SCAN_ANGLE"},
    {FIELD_USER_DATA, " File Marker (v1.1 User Data)", "USER_DATA"},
    {FIELD_SOURCE_ID, " User Bit Field (v1.1 Point ID)", "SOURCE_ID"},
    {FIELD_GPS_TIME, " GPS Time", "GPS_TIME"},
    {FIELD_RED, " Red", "RED"},
    {FIELD_GREEN, " Green", "GREEN"},
    {FIELD_BLUE, " Blue", "BLUE"},
};

const FieldText* TextOf(int32_t code)
{
    for (const FieldText& t : kFieldTexts)
        if (t.code == code) return &t;
    return nullptr;
}

ImportField* NewField(int32_t code)
{
    ImportField* field = (ImportField*)NBLCalloc(1, sizeof(ImportField));
    if (!field) return nullptr;
    field->code = code;
    const FieldText* text = TextOf(code);
    snprintf(field->name, sizeof field->name, "%s", text ? text->name : "");
    field->realValued = code == FIELD_X || code == FIELD_Y || code == FIELD_Z || code == FIELD_GPS_TIME;
    return field;
}

ImportFieldList* NewList(int count)
{
    ImportFieldList* list = (ImportFieldList*)NBLCalloc(1, sizeof(ImportFieldList));
    if (!list) return nullptr;
    list->entries = (ImportField**)NBLCalloc(count, sizeof(ImportField*));
    if (!list->entries) {
        NBLFree(list);
        return nullptr;
    }
    list->count = count;
    list->delimiter = kDelimiterSpace;
    return list;
}

// Fills every slot with a new field of the given codes; frees the list on failure.
ImportFieldList* FilledList(const int32_t* codes, int count)
{
    ImportFieldList* list = NewList(count);
    if (!list) return nullptr;
    for (int i = 0; i < count; i++) {
        list->entries[i] = NewField(codes[i]);
        if (!list->entries[i]) {
            FreeImportFieldList(list);
            return nullptr;
        }
    }
    return list;
}

}  // namespace

ImportFieldList* NewXYZFieldList()
{
    const int32_t codes[] = {FIELD_X, FIELD_Y, FIELD_Z};
    return FilledList(codes, 3);
}

ImportFieldList* NewAvailableFieldList()
{
    int32_t codes[14] = {FIELD_SKIP};
    for (int i = 1; i < 14; i++) codes[i] = FIELD_INTENSITY + i - 1;
    return FilledList(codes, 14);
}

void FreeImportFieldList(ImportFieldList* list)
{
    if (!list) return;
    for (int i = 0; i < list->count; i++) NBLFree(list->entries[i]);
    NBLFree(list->entries);
    NBLFree(list);
}

static bool AppendEntry(ImportFieldList* list, ImportField* field)
{
    ImportField** grown = (ImportField**)NBLReMalloc(list->entries, ((size_t)list->count + 1) * sizeof(ImportField*));
    if (!grown) return false;
    list->entries = grown;
    list->entries[list->count++] = field;
    return true;
}

int MoveImportField(ImportFieldList* destination, ImportFieldList* source, int index)
{
    if (index < 0 || index >= source->count || !source->entries[index]) return 0;
    if (index == 0) {
        // " <Skip Field>" stays available: the import list gets a copy of its own.
        ImportField* copy = (ImportField*)NBLMalloc(sizeof(ImportField));
        if (!copy) return 0;
        *copy = *source->entries[0];
        if (!AppendEntry(destination, copy)) {
            NBLFree(copy);
            return 0;
        }
        return 1;
    }
    if (!AppendEntry(destination, source->entries[index])) return 0;
    for (int i = index; i + 1 < source->count; i++) source->entries[i] = source->entries[i + 1];
    source->entries[source->count - 1] = nullptr;
    return 1;
}

int RemoveImportField(ImportFieldList* importList, ImportFieldList* available, int index)
{
    if (index < 0 || index >= importList->count) return 0;
    ImportField* field = importList->entries[index];
    if (!field || field->code == FIELD_X || field->code == FIELD_Y || field->code == FIELD_Z) return 0;
    if (field->code == FIELD_SKIP) {
        NBLFree(field);
    } else {
        int slot = 1;
        while (slot < available->count && available->entries[slot]) slot++;
        // Every optional field has a slot of its own, so one is free; a list
        // that somehow has none keeps the field rather than lose it.
        if (slot >= available->count) return 0;
        available->entries[slot] = field;
    }
    for (int i = index; i + 1 < importList->count; i++) importList->entries[i] = importList->entries[i + 1];
    importList->count--;
    if (importList->count > 0) {
        ImportField** shrunk =
            (ImportField**)NBLReMalloc(importList->entries, (size_t)importList->count * sizeof(ImportField*));
        if (shrunk) importList->entries = shrunk;
    }
    return 1;
}

// The usual case of one delimiter character, without a set lookup per character.
static int SplitAtOne(char* p, char** fields, char delimiter)
{
    int n = 0;
    while (*p && n < kMaxSplitFields) {
        while (*p == delimiter) p++;
        if (!*p) break;
        fields[n++] = p;
        while (*p && *p != delimiter) p++;
        if (*p) *p++ = 0;
    }
    fields[n] = nullptr;
    return n;
}

int SplitFields(char* line, char** fields, const char* delimiters)
{
    if (delimiters[0] && !delimiters[1]) return SplitAtOne(line, fields, delimiters[0]);
    int n = 0;
    char* p = line;
    while (*p && n < kMaxSplitFields) {
        while (*p && strchr(delimiters, *p)) p++;
        if (!*p) break;
        fields[n++] = p;
        while (*p && !strchr(delimiters, *p)) p++;
        if (*p) *p++ = 0;
    }
    fields[n] = nullptr;
    return n;
}

const char* ImportFieldHeading(int32_t code)
{
    const FieldText* text = TextOf(code);
    return text ? text->heading : "ERROR";
}

char DelimiterOf(int32_t code)
{
    if (code == kDelimiterComma) return ',';
    if (code == kDelimiterTab) return '\t';
    return ' ';
}
