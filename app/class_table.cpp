// Class tables: the empty and the default (ASPRS) table, and class list
// files of lines "code,name,red,green,blue".
#include "app/class_table.h"
#include "base/file_dialog.h"
#include "app/app_windows.h"
#include "base/file_io.h"
#include "base/text_lines.h"
#include "base/file_replace.h"
#include "base/file_list.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/code_pages.h"
#include "base/stored_text.h"

#include <windows.h>
#include <commdlg.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

const char kClassListUnreadableFormat[] = "Unable to open for reading:\n\n    %s\n";
const char kClassListUnwritableFormat[] = "Unable to open for writing:\n\n    %s\n";
const char kClassListReadErrorFormat[] =
    "Unable to read file:  %s\nError:  %s\nClass list file must have at least two classes "
    "and no more than 256.\nFormat should be:\n\ncode,class name,red,green,blue\n\n"
    "code must be 0-255\nclass name must be 32 characters or less\n"
    "colors (red,green,blue) must each be 0-255\n";
const char kClassLineUnreadableFormat[] =
    "Line %d does not hold 5 fields (%d found; a comma or a CR in a name splits its line)";
const char kClassLineNoNameFormat[] = "Line %d holds no class name";
const char kClassLineFaultFormat[] = "Line %d: %s";

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGrey = 0x808080;

struct DefaultClass {
    const char* name;
    uint32_t color;
};

// ASPRS standard classes 0-22 with the program's colours (COLORREF).
const DefaultClass kAsprsClasses[23] = {
    { "Never Classified", 0x808080 },
    { "UnClassified", 0x80FFFF },
    { "Ground", 0xFF00FF },
    { "Low Vegetation", 0x80FF80 },
    { "Med Vegetation", 0x00FF00 },
    { "High Vegetation", 0x009600 },
    { "Building", 0x0000FF },
    { "Low Point(Noise)", 0xFFFFFF },
    { "Model Key Point", 0x0080FF },
    { "Water", 0xFF0000 },
    { "Rail", 0xFF8080 },
    { "Road Surface", 0xFF8080 },
    { "Reserved", 0xFFFF00 },
    { "Wire Guard(Shield)", 0x808080 },
    { "Wire Conductor(Phase)", 0x808080 },
    { "Transmission Tower", 0x808080 },
    { "Wire Structure Connector", 0x808080 },
    { "Bridge Deck", 0x808080 },
    { "High Noise", 0x808080 },
    { "Overhead Structure", 0x808080 },
    { "Ignored Ground", 0x808080 },
    { "Snow", 0x808080 },
    { "Temporal Exclusion", 0x808080 },
};

// Decimal conversion as the class list reader does it: leading blanks
// skipped, stops at the first non-digit (so a line end does no harm);
// values beyond the int range are held at its ends.
int FieldValue(const char* text)
{
    long long v = std::strtoll(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}

// Whether a field is a decimal integer, blanks around it allowed: "12x",
// "0x1F" or "red" is no code or colour (it would read as a number it is not).
bool IsIntegerField(const char* text)
{
    while (*text == ' ' || *text == '\t') text++;
    if (*text == '+' || *text == '-') text++;
    if (!isdigit((unsigned char)*text)) return false;
    while (isdigit((unsigned char)*text)) text++;
    while (isspace((unsigned char)*text)) text++;
    return *text == '\0';
}

struct ClassLine {
    int code, red, green, blue;
    const char* name;
    const char* notNumber;   // the first of code and colours that is no number, or null
};

// "3,,1,2,3": five cells, the name empty, which the splitter would pass over.
bool EmptyNameLine(const char* text)
{
    const char* comma = std::strchr(text, ',');
    if (!comma || comma[1] != ',') return false;
    int commas = 0;
    for (const char* p = text; *p; p++) commas += *p == ',';
    return commas == 4;
}

// Splits a line into a class line: its field count, 5 when it holds one.
// `unreadable` is set for a line that starts with a code but is no class
// line (a CR or a comma inside its name split it), `noName` for one whose
// name is empty: passing over either would drop its class unseen. Blank
// lines and headers of words are no class and pass.
int ParseClassLine(char* text, ClassLine* line, bool* unreadable, bool* noName)
{
    char* fields[kClassListMaxFields + 1];
    bool emptyName = EmptyNameLine(text);
    int n = SplitCSVLine(text, fields, ",");
    bool startsWithCode = n > 0 && IsIntegerField(fields[0]);
    *noName = emptyName && startsWithCode;
    *unreadable = n != 5 && startsWithCode && !emptyName;
    if (n != 5) return n;
    static const char* const kNumberFields[5] = {"Code", nullptr, "Red", "Green", "Blue"};
    line->notNumber = nullptr;
    for (int i = 4; i >= 0; i--)
        if (kNumberFields[i] && !IsIntegerField(fields[i])) line->notNumber = kNumberFields[i];
    line->code = FieldValue(fields[0]);
    line->name = fields[1];
    line->red = FieldValue(fields[2]);
    line->green = FieldValue(fields[3]);
    line->blue = FieldValue(fields[4]);
    return n;
}

bool OutOfByteRange(int v) { return v < 0 || v > 255; }

// The first fault of class line `number`, whose name reads as `name` in the
// program's text, written into error with the line's number; false when it
// has none.
bool ClassLineFault(const ClassLine& line, const std::string& name, int number, char* error, size_t size)
{
    char fault[400];
    if (line.notNumber)
        std::snprintf(fault, sizeof fault, "%s not a number", line.notNumber);
    else if (OutOfByteRange(line.code))
        std::snprintf(fault, sizeof fault, "Code out of range (%d)", line.code);
    else if (LetterCount(name.c_str()) > (size_t)kClassNameFileLimit)
        std::snprintf(fault, sizeof fault, "Name exceeds %d characters (%s)", kClassNameFileLimit, name.c_str());
    else if (OutOfByteRange(line.red))
        std::snprintf(fault, sizeof fault, "Red out of range (%d)", line.red);
    else if (OutOfByteRange(line.green))
        std::snprintf(fault, sizeof fault, "Green out of range (%d)", line.green);
    else if (OutOfByteRange(line.blue))
        std::snprintf(fault, sizeof fault, "Blue out of range (%d)", line.blue);
    else
        return false;
    std::snprintf(error, size, kClassLineFaultFormat, number, fault);
    return true;
}

void ShowReadError(HWND owner, const char* title, const char* error)
{
    char text[1024];
    std::snprintf(text, sizeof(text), kClassListReadErrorFormat, title, error);
    ErrorMessage(text, owner);
    // The box ends in the format's help: the status line shows the fault.
    char line[600];
    std::snprintf(line, sizeof line, "[ERROR] %s", error);
    LogMessage(line);
}

void ShowFileError(HWND owner, const char* format, const char* title)
{
    char text[512];
    std::snprintf(text, sizeof(text), format, title);
    ErrorMessage(text, owner);
}

int ChooseClassList(HWND owner, char* path, char* title, bool save)
{
    if (save)
        return ChooseOneFile(owner, "Class List Files (*.csv) |*.csv|", "Save Class List", 1, 0, path, title);
    return ChooseOneFile(owner, "Class List Files (*.csv) |*.csv|All files (*.*)|*.*|", "Load Class List", 0, 0,
                         path, title);
}

}  // namespace

void InitClassTable(ClassTable* table)
{
    std::memset(table, 0, sizeof(*table));
    for (ClassEntry& e : table->entries) {
        CopyBounded(e.name, sizeof(e.name), "<EMPTY>");
        e.mainColor = kWhite;
        e.profileColor = kWhite;
    }
}

void SetDefaultClassTable(ClassTable* table)
{
    InitClassTable(table);
    table->count = 256;
    CopyBounded(table->path, sizeof(table->path), "ASPRS_list.csv");
    CopyBounded(table->title, sizeof(table->title), "ASPRS_list.csv");
    table->groundCode = 2;
    for (int code = 0; code < 256; code++) {
        ClassEntry& e = table->entries[code];
        const char* name = code < 23 ? kAsprsClasses[code].name : code < 64 ? "Reserved" : "User Definable";
        uint32_t color = code < 23 ? kAsprsClasses[code].color : kGrey;
        CopyBounded(e.name, sizeof(e.name), name);
        e.display = 1;
        e.tinDisplay = 0;
        e.mainColor = color;
        e.profileColor = color;
    }
    table->entries[2].tinDisplay = 1;
    table->entries[8].tinDisplay = 1;
}

int SplitCSVLine(char* line, char** fields, const char* delimiters)
{
    int n = 0;
    char* p = line;
    while (n < kClassListMaxFields) {
        p += std::strspn(p, delimiters);
        if (*p == '\0') break;
        fields[n++] = p;
        p += std::strcspn(p, delimiters);
        if (*p == '\0') break;
        *p++ = '\0';
    }
    fields[n] = nullptr;
    return n;
}

const char kClassListWriteFailed[] = "Unable to write:\n\n    %s\n";
const char kClassListTooFewToSave[] = "Unable to save:\n\n    %s\n\nA class list file must have at least two classes.";
const char kClassNamesCutFormat[] =
    "Saved:  %s\n\nA class list holds names of at most %d bytes (%d letters of A-Z, fewer of other alphabets), "
    "none empty and without commas or line ends: these were written cut to fit on a whole letter, each comma or "
    "line end as a blank, an empty name as \"<EMPTY>\"; the table keeps them as they are.\n\n";
const char kClassNameCutFormat[] = "%d  %s\n      written as:  %s\n";
const char kClassNamesCutMoreFormat[] = "... and %d more, of code%s %s\n";
const char kClassNamesCutCountFormat[] = "\n%d class name%s written changed to fit a list (%d bytes, no commas)";
const char kClassNamesCutAtLoadFormat[] =
    "Loaded:  %s\n\nA class holds a name of at most %d bytes (%d letters of A-Z, fewer of other alphabets): "
    "these names of the list were cut to fit on a whole letter.\n\n";
const char kClassNameKeptFormat[] = "%d  %s\n      kept as:  %s\n";
const char kClassNamesCutAtLoadCountFormat[] = "\n%d class name%s cut to fit a class (%d bytes)";

namespace {

struct CutName {
    int code;
    std::string name, written;
};

// Codes in order as runs: "3, 7-9, 12".
std::string CodeRuns(const std::vector<int>& codes)
{
    std::string text;
    for (size_t i = 0; i < codes.size();) {
        size_t j = i;
        while (j + 1 < codes.size() && codes[j + 1] == codes[j] + 1) j++;
        if (!text.empty()) text += ", ";
        text += j == i ? Formatted("%d", codes[i]) : Formatted("%d-%d", codes[i], codes[j]);
        i = j + 1;
    }
    return text;
}

// The warning after a save or a load that changed names: the heading, then
// each class, its name and what became of it (`lineFormat`); past the first
// 20 the codes of the rest, so that the box fits on a screen; then the count
// (`countFormat`: count, plural, the limit in bytes).
void ShowNamesCut(HWND owner, std::string text, const char* lineFormat, const std::vector<CutName>& cuts,
                  const char* countFormat, int limit)
{
    constexpr size_t kListed = 20;
    for (size_t i = 0; i < cuts.size() && i < kListed; i++)
        text += Formatted(lineFormat, cuts[i].code, cuts[i].name.c_str(), cuts[i].written.c_str());
    if (cuts.size() > kListed) {
        std::vector<int> rest;
        for (size_t i = kListed; i < cuts.size(); i++) rest.push_back(cuts[i].code);
        text += Formatted(kClassNamesCutMoreFormat, (int)rest.size(), rest.size() == 1 ? "" : "s",
                          CodeRuns(rest).c_str());
    }
    text += Formatted(countFormat, (int)cuts.size(), cuts.size() == 1 ? "" : "s", limit);
    WarningMessage(text.c_str(), owner);
}

}  // namespace

int WriteClassListFile(const ClassTable* table, const char* path, const char* title, HWND owner)
{
    // Deleting classes can leave fewer: such a file would not load again.
    if (table->count < 2) {
        ShowFileError(owner, kClassListTooFewToSave, title);
        return 0;
    }
    // Written beside the list and moved over it only when whole: a full disk
    // or a kill part way leaves the old list as it was.
    ReplacingFile replacing;
    if (!OpenReplacing(&replacing, path)) {
        std::string why = TempNameRefusal(path, kTempFileExtension);
        if (!why.empty()) ErrorMessage(why.c_str(), owner);
        else ShowFileError(owner, kClassListUnwritableFormat, title);
        return 0;
    }
    VFile file = replacing.file;
    int count = table->count > 256 ? 256 : table->count;
    // Names read with letters the program cannot show are written with them,
    // and then the whole list is UTF-8.
    bool keepsLetters = false;
    for (int i = 0; i < count; i++)
        keepsLetters = keepsLetters || FieldKeepsLetters(table->entries[i].name, sizeof table->entries[i].name);
    unsigned codePage = CodePageToWrite(keepsLetters);
    bool ok = true;
    std::vector<CutName> cuts;
    for (int i = 0; i < count && ok; i++) {
        const ClassEntry& e = table->entries[i];
        std::string name = FieldTextIn(e.name, sizeof e.name, codePage);   // a full field carries no terminator
        // Readers of these lists may count the limit in bytes: a name is
        // written within it, cut on a whole letter. A comma or a line end would
        // split the class's line, and an empty name would leave its line out.
        std::string whole = name;
        if (name.size() > (size_t)kClassNameFileLimit)
            name.resize(LetterBoundary(name.data(), kClassNameFileLimit, codePage));
        for (char& c : name)
            if (c == ',' || c == '\r' || c == '\n') c = ' ';
        if (name.empty()) name = "<EMPTY>";
        if (whole != name) {
            // Told in the program's letters.
            auto shown = [&](const std::string& t) {
                return codePage == ProgramCodePage() ? t : StoredTextAsProgramText(t, codePage);
            };
            cuts.push_back({i, shown(whole), shown(name)});
        }
        std::string line = Formatted("%d,%s,%d,%d,%d\r\n", i, name.c_str(), (int)(e.mainColor & 0xFF),
                                     (int)((e.mainColor >> 8) & 0xFF), (int)((e.mainColor >> 16) & 0xFF));
        ok = VFileWrite(file, line.data(), (uint64_t)line.size()) != 0;
    }
    if (!CloseReplacing(&replacing, ok)) {
        // A full disk must not pass for a saved list.
        ShowFileError(owner, kClassListWriteFailed, title);
        return 0;
    }
    if (!cuts.empty())
        ShowNamesCut(owner, Formatted(kClassNamesCutFormat, title, kClassNameFileLimit, kClassNameFileLimit),
                     kClassNameCutFormat, cuts, kClassNamesCutCountFormat, kClassNameFileLimit);
    return 1;
}

namespace {

// The class lines of a file, each handed to `take` with its number; a line
// of more than 254 characters, one split inside a class or a failed read
// ends them with its error.
template <typename Take>
void ReadClassLines(TextLines* reader, char* error, size_t size, Take take)
{
    char text[kTextPieceChars + 1];
    int n, number = 0;
    while (!error[0] && (n = NextWholeTextLine(reader, text, sizeof text)) != -1) {
        number++;
        if (n == kTextLineTooLong) {
            std::snprintf(error, size, "Line %d longer than %d characters", number, kTextPieceChars);
            return;
        }
        if ((size_t)n != std::strlen(text)) {   // its fields would be read cut
            std::snprintf(error, size, "Line %d holds a NUL byte", number);
            return;
        }
        ClassLine line;
        bool unreadable, noName;
        int fields = ParseClassLine(text, &line, &unreadable, &noName);
        if (unreadable || noName) {
            if (noName) std::snprintf(error, size, kClassLineNoNameFormat, number);
            else std::snprintf(error, size, kClassLineUnreadableFormat, number, fields);
            return;
        }
        if (fields == 5) take(line, number);
    }
    if (!error[0] && TextLinesFailed(reader)) std::snprintf(error, size, "Read error after line %d", number);
}

}  // namespace

// Reads the file twice: a check pass that stops at the first fault, then the
// read pass into a local table, so a bad file leaves the table untouched.
int ReadClassListFile(ClassTable* table, const char* path, const char* title, HWND owner)
{
    TextLines* reader = OpenTextLines(path);
    if (!reader) {
        ShowFileError(owner, kClassListUnreadableFormat, title);
        return 0;
    }

    // The names in the program's text: lists written before the program spoke
    // UTF-8 hold the system's code page, judged once for the whole list.
    char error[512] = "";
    std::vector<std::string> stored;
    ReadClassLines(reader, error, sizeof error, [&](const ClassLine& line, int) { stored.push_back(line.name); });
    unsigned unshown = UnshownTextCount();
    std::vector<StoredText> names = ReadStoredTexts(stored);
    error[0] = '\0';   // the check pass meets it again, in its place
    RewindTextLines(reader);
    size_t k = 0;
    int classes = 0;
    int firstLineOf[256] = {};
    char repeated[100] = "";   // a code named twice: one class would vanish
    ReadClassLines(reader, error, sizeof error, [&](const ClassLine& line, int number) {
        // A line beyond those judged (the file grew meanwhile) is judged alone.
        std::string name = k < names.size() ? names[k++].shown : StoredTextAsProgramText(line.name);
        if (ClassLineFault(line, name, number, error, sizeof error)) return;
        classes++;
        if (!firstLineOf[line.code]) firstLineOf[line.code] = number;
        else if (!repeated[0])
            std::snprintf(repeated, sizeof repeated, "Line %d: Code %d repeated (first on line %d)", number,
                          line.code, firstLineOf[line.code]);
    });
    if (!error[0] && classes < 2) CopyBounded(error, sizeof(error), "Too few classes");
    if (!error[0] && classes > 256) CopyBounded(error, sizeof(error), "Too many classes");
    if (!error[0] && repeated[0]) CopyBounded(error, sizeof(error), repeated);
    if (error[0]) {
        CloseTextLines(reader);
        ShowReadError(owner, title, error);
        return 0;
    }

    ClassTable local;
    ClassTable* loaded = &local;
    InitClassTable(loaded);
    CopyBounded(loaded->path, sizeof(loaded->path), path);
    CopyBounded(loaded->title, sizeof(loaded->title), title);
    RewindTextLines(reader);
    int highest = -1;
    k = 0;
    std::vector<CutName> cuts;   // longer than an entry holds
    ReadClassLines(reader, error, sizeof error, [&](const ClassLine& line, int number) {
        char ignored[512];
        // The file changed under us: a line beyond those judged, or one with a fault now.
        if (k >= names.size()) return;
        const StoredText& name = names[k++];
        if (ClassLineFault(line, name.shown, number, ignored, sizeof(ignored))) return;
        ClassEntry& e = loaded->entries[line.code];
        e.display = 1;
        if (!CopyStoredText(e.name, sizeof(e.name), name)) cuts.push_back({line.code, name.shown, e.name});
        e.mainColor = (uint32_t)line.red | ((uint32_t)line.green << 8) | ((uint32_t)line.blue << 16);
        e.profileColor = e.mainColor;
        if (line.code > highest) highest = line.code;
    });
    CloseTextLines(reader);
    if (error[0]) {   // the file changed or failed between the passes
        ShowReadError(owner, title, error);
        return 0;
    }

    int shown = 0;
    for (const ClassEntry& e : loaded->entries)
        if (e.display) shown++;
    if (shown < 2) {
        ShowReadError(owner, title, "Too few classes");
        return 0;
    }
    loaded->count = highest + 1;
    loaded->groundCode = table->groundCode;
    std::memcpy(table, loaded, sizeof(ClassTable));
    NoteUnshownLetters(UnshownTextCount() - unshown, owner);
    const int entryBytes = (int)sizeof(ClassEntry{}.name) - 1;
    if (!cuts.empty())
        ShowNamesCut(owner, Formatted(kClassNamesCutAtLoadFormat, title, entryBytes, entryBytes), kClassNameKeptFormat,
                     cuts, kClassNamesCutAtLoadCountFormat, entryBytes);
    return 1;
}

int ChooseClassListToSave(HWND owner, char* path, char* title)
{
    return ChooseClassList(owner, path, title, true);
}

int ChooseClassListToLoad(HWND owner, char* path, char* title)
{
    return ChooseClassList(owner, path, title, false);
}

int SaveClassListFile(ClassTable* table, HWND owner)
{
    char path[MAX_PATH], title[MAX_PATH];
    CopyBounded(path, sizeof(path), table->path);
    CopyBounded(title, sizeof(title), table->title);
    if (!ChooseClassListToSave(owner, path, title)) return 0;
    if (!ChangeFileExtensionTo(path, ".csv") || !ChangeFileExtensionTo(title, ".csv")) {
        ShowFileError(owner, kClassListUnwritableFormat, title);
        return 0;
    }
    if (!WriteClassListFile(table, path, title, owner)) return 0;
    CopyBounded(table->path, sizeof(table->path), path);
    CopyBounded(table->title, sizeof(table->title), title);
    return 1;
}

int LoadClassListFile(ClassTable* table, HWND owner)
{
    char path[MAX_PATH] = "", title[MAX_PATH] = "";
    if (!ChooseClassListToLoad(owner, path, title)) return 0;
    return ReadClassListFile(table, path, title, owner);
}
