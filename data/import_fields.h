// Column mapping of ASCII point files: the fields a file's columns stand for
// (the import list, in column order), the optional point fields still free
// (the available list), and the splitter that cuts a line into columns.
#pragma once
#include <cstdint>
#include <windows.h>
#include "resource.h"

// Delimiter codes: the ids of the dialogs' radio buttons.
constexpr int32_t kDelimiterSpace = IDC_DELIMITER_SPACE;
constexpr int32_t kDelimiterComma = IDC_DELIMITER_COMMA;
constexpr int32_t kDelimiterTab = IDC_DELIMITER_TAB;

// Column codes.
enum ImportFieldCode : int32_t {
    FIELD_SKIP = -1,
    FIELD_X = 0,
    FIELD_Y = 1,
    FIELD_Z = 2,
    FIELD_INTENSITY = 3,
    FIELD_RETURN_NUMBER = 4,
    FIELD_RETURN_COUNT = 5,
    FIELD_SCAN_DIRECTION = 6,
    FIELD_FLIGHT_EDGE = 7,
    FIELD_CLASSIFICATION = 8,
    FIELD_SCAN_ANGLE = 9,
    FIELD_USER_DATA = 10,
    FIELD_SOURCE_ID = 11,
    FIELD_GPS_TIME = 12,
    FIELD_RED = 13,
    FIELD_GREEN = 14,
    FIELD_BLUE = 15,
};

struct ImportField {
    int32_t code;
    char    name[256];
    int32_t realValued;  // 1 for X, Y, Z and GPS time
};

struct ImportFieldList {
    int32_t       count;
    ImportField** entries;   // count slots; a slot of the available list may be null
    int32_t       delimiter; // kDelimiterSpace, kDelimiterComma or kDelimiterTab
    HWND          owner;     // the import dialog whose progress bars an import drives
    char          outputFolder[260];
};

// The most fields SplitFields stores; its pointer array holds one more.
constexpr int kMaxSplitFields = 256;

ImportFieldList* NewXYZFieldList();
ImportFieldList* NewAvailableFieldList();
void FreeImportFieldList(ImportFieldList* list);
int  MoveImportField(ImportFieldList* destination, ImportFieldList* source, int index);
int  RemoveImportField(ImportFieldList* importList, ImportFieldList* available, int index);
int  SplitFields(char* line, char** fields, const char* delimiters);

// The preview's column heading of a code ("ERROR" for an unknown one).
const char* ImportFieldHeading(int32_t code);
// The delimiter character of a list's delimiter code (a space for any other).
char DelimiterOf(int32_t code);
