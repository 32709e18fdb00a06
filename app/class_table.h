// Class tables: a name, display switches and colours for each of the 256
// classification codes, and the class list files (.csv) through which a user
// saves and loads the names and colours of a table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <windows.h>

// The byte image of a ClassTable is a block of the configuration file, so the
// layout below is fixed.
#pragma pack(push, 1)
struct ClassEntry {
    char     name[64];      // "<EMPTY>" marks a free code
    uint8_t  display;       // 1 drawn, 0 hidden (2 briefly marks the entry to edit)
    uint32_t mainColor;     // COLORREF of the plan and 3D views
    uint32_t profileColor;  // COLORREF of the profile view
    uint8_t  tinDisplay;    // 1 when the class goes into the TIN and contours
    int32_t  index;         // AOI type lists only; 0 in point class tables
};

struct ClassTable {
    int32_t    count;       // codes 0 .. count-1 are in use
    char       path[256];   // class list file the table came from or was saved to
    char       title[256];  // file name part of path
    ClassEntry entries[256];
    int32_t    groundCode;  // the bare-earth class
};
#pragma pack(pop)
static_assert(sizeof(ClassEntry) == 78, "ClassEntry is 78 bytes");
static_assert(offsetof(ClassEntry, mainColor) == 65 && offsetof(ClassEntry, tinDisplay) == 73,
              "ClassEntry layout");
static_assert(offsetof(ClassTable, entries) == 516 && offsetof(ClassTable, groundCode) == 20484,
              "ClassTable layout");
static_assert(sizeof(ClassTable) == 20488, "ClassTable is 20,488 bytes");

constexpr int kClassListMaxFields = 100;
// Longest name a class list file holds. Other programs that read these
// lists may count it in bytes and refuse longer names, lists written by hand
// count letters: the save writes at most this many bytes, the load takes up
// to this many letters and refuses more.
constexpr int kClassNameFileLimit = 32;

// The boxes about a class list file, each given the file's title; the
// last one then the fault found in it.
extern const char kClassListUnreadableFormat[];
extern const char kClassListUnwritableFormat[];
extern const char kClassListReadErrorFormat[];
// The fault of a line that starts with a code but is no class line: its
// number and the fields found; of one whose name is empty, its number.
extern const char kClassLineUnreadableFormat[];
extern const char kClassLineNoNameFormat[];
// Every other fault of a class line: its number, then the fault
// ("Name exceeds 32 characters (...)", "Red out of range (300)").
extern const char kClassLineFaultFormat[];

void InitClassTable(ClassTable* table);
void SetDefaultClassTable(ClassTable* table);

// Save and load through the file dialogs, which and whose boxes are owned
// by `owner`; 1 done, 0 cancelled or failed (the user has been told; the
// table is then unchanged).
int SaveClassListFile(ClassTable* table, HWND owner);
int LoadClassListFile(ClassTable* table, HWND owner);

// Their messages about saving, each with the file's title.
extern const char kClassListWriteFailed[];
extern const char kClassListTooFewToSave[];   // a table of fewer than two classes
// The warning after a save that wrote names changed to fit a list (longer
// than kClassNameFileLimit bytes cut on a whole letter, commas and line
// ends written as blanks, an empty name as "<EMPTY>"): the heading (title,
// limit, limit), a line for each of the first 20 (code, name, what was
// written), then the rest by their codes (count, "s" or "", codes as
// "3, 7-9") and the count of all (count, "s" or "", limit).
extern const char kClassNamesCutFormat[];
extern const char kClassNameCutFormat[];
extern const char kClassNamesCutMoreFormat[];
extern const char kClassNamesCutCountFormat[];
// The same after a load that cut names longer than an entry holds (63
// bytes): heading, a line for each (code, name in the list, what the
// table keeps), the rest and the count as above.
extern const char kClassNamesCutAtLoadFormat[];
extern const char kClassNameKeptFormat[];
extern const char kClassNamesCutAtLoadCountFormat[];

// The file parts of the two, apart from the dialogs; their boxes owned by
// `owner` (null: the frame). Write does not touch the table's path and title;
// Read replaces the whole table on success and names the file by title in its messages.
int WriteClassListFile(const ClassTable* table, const char* path, const char* title, HWND owner = nullptr);
int ReadClassListFile(ClassTable* table, const char* path, const char* title, HWND owner = nullptr);

// File dialogs owned by `owner`, the window the user asked from (the
// Display Settings sheet: owned by the frame, the sheet would fall behind
// it when the dialog closes); path and title buffers of 260 characters.
int ChooseClassListToSave(HWND owner, char* path, char* title);
int ChooseClassListToLoad(HWND owner, char* path, char* title);

// Splits the line in place at any of the delimiter characters; runs of
// delimiters count as one and empty fields vanish. At most 100 fields; the
// array needs room for 101 pointers (the last is set to null).
int SplitCSVLine(char* line, char** fields, const char* delimiters);
