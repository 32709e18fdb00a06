// Configuration files: a six-byte magic, a version and the global display
// settings in a fixed order, little-endian. Version 5 is written; 1 to 5 read.
#include "shell/config_file.h"
#include "app/display_settings.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/file_dialog.h"
#include "base/file_list.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "views/plan/view_mapping.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/stored_text.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

char currentConfigPath[kConfigPathChars];
char currentConfigTitle[kConfigPathChars];

static const char kMagic[6] = {'K', 'S', 'D', 'N', 'B', 'L'};
constexpr size_t kVersion5Bytes = 21654;
constexpr int kItemsV45 = 35;
constexpr int kItemsV13 = 27;

const char kConfigCorruptText[] = "Config file may be corrupt:\n\n    %s\n";
const char kConfigForeignText[] = "Does not appear to be a VelkaViewer Config file:\n\n    %s\n";
const char kConfigBadVersionText[] = "Config file may be corrupt (bad version):\n\n    %s\n";
const char kConfigUnreadableText[] = "Unable to open for reading:\n\n    %s\n";
const char kConfigUnwritableText[] = "Unable to open for writing:\n\n    %s\n";

static void ConfigError(const char* format)
{
    char text[400];
    snprintf(text, sizeof text, format, currentConfigTitle);
    ShowMessageBox(FrameWindow, text, "ERROR", MB_OK | MB_ICONERROR);
}

// Only a plan view (or its profile or 3D window) has settings of its own: the
// project window's record is a copy made when the project opened.
static ViewSettings* SettingsOfView(HWND view)
{
    if (!view || !SetsViewMenus(view)) return nullptr;
    ViewRecord* record = ViewRecordOf(view);
    return record;
}

// --- the layout -----------------------------------------------------------------

// Walks the fields of one version's layout in file order. The sink either
// copies a field out of the image (reading) or into it (writing) and counts
// the items that fit whole.
struct ImageSink {
    uint8_t* data;
    size_t size;
    size_t pos;
    int items;
    bool writing;
    void item(void* field, size_t bytes)
    {
        if (pos + bytes <= size) {
            if (writing)
                memcpy(data + pos, field, bytes);
            else
                memcpy(field, data + pos, bytes);
            items++;
        }
        pos += bytes;
    }
};

// `singleClass` holds the one class code that versions 1 to 3 keep in place
// of the per-class flags.
static void WalkLayout(ImageSink& s, DisplaySettings& d, int version, int32_t* singleClass)
{
    for (int32_t& f : d.returnFilter) s.item(&f, 4);
    s.item(&d.lightAzimuth, 4);
    s.item(&d.lightElevation, 4);
    s.item(&d.zExaggeration, 4);
    s.item(&d.scaleColorsToLocal, 4);
    s.item(&d.tinPalette, 4);
    s.item(&d.classTable, sizeof(ClassTable));
    s.item(&d.contourIndexColor, 4);
    s.item(&d.contourIntermediateColor, 4);
    s.item(&d.contourInterval, 4);
    s.item(&d.reserved1, 4);
    s.item(&d.profileWidth, 4);
    s.item(&d.undoLimit, 4);
    s.item(&d.reserved2, 4);
    s.item(&d.reserved3, 4);
    s.item(&d.classifyTargetClass, 4);
    if (version >= 4)
        s.item(d.classifyFromClasses, sizeof d.classifyFromClasses);
    else
        s.item(singleClass, 4);
    s.item(&d.smGroundClass, 4);
    s.item(&d.smFeatureClass, 4);
    if (version >= 2) {
        s.item(&d.reserved4, 4);
        s.item(&d.reserved5, 4);
        s.item(&d.reserved6, 4);
        s.item(&d.reserved7, 4);
    }
    if (version >= 3) s.item(&d.reserved8, 4);
    if (version >= 5)
        for (uint32_t& c : d.returnColors) s.item(&c, 4);
}

// Items a version lacks count as present, so every complete file of a
// reader's range reaches that reader's total.
static int AbsentItems(int version)
{
    switch (version) {
    case 1: return 5;   // reserved4-7 and reserved8
    case 2: return 1;   // reserved8
    case 4: return 8;   // the return colours
    default: return 0;
    }
}

static bool Terminated(const char* text, size_t chars) { return memchr(text, 0, chars) != nullptr; }
static bool ClassCode(int32_t code) { return code >= 0 && code <= 255; }
static bool Flag(int32_t value) { return value == 0 || value == 1; }

// Values the program indexes with, divides by or shows as text must be sane
// before they reach the settings; a file that fails here is treated as damaged.
static bool SettingsValid(const DisplaySettings& d)
{
    for (int32_t f : d.returnFilter)
        if (!Flag(f)) return false;
    if (d.lightAzimuth < 0 || d.lightAzimuth > 359) return false;
    if (d.lightElevation < 0 || d.lightElevation > 90) return false;
    if (!std::isfinite(d.zExaggeration) || d.zExaggeration <= 0) return false;
    if (d.tinPalette < 0 || d.tinPalette > 4) return false;
    if (!std::isfinite(d.contourInterval) || d.contourInterval <= 0) return false;
    if (!std::isfinite(d.profileWidth) || d.profileWidth <= 0) return false;
    if (d.undoLimit < 0) return false;
    if (!ClassCode(d.classifyTargetClass) || !ClassCode(d.smGroundClass) || !ClassCode(d.smFeatureClass))
        return false;
    const ClassTable& t = d.classTable;
    // Deleting classes may leave one or none: a table the program itself saves.
    if (t.count < 0 || t.count > 256 || !ClassCode(t.groundCode)) return false;
    if (!Terminated(t.path, sizeof t.path) || !Terminated(t.title, sizeof t.title)) return false;
    for (const ClassEntry& e : t.entries)
        if (!Terminated(e.name, sizeof e.name) || e.display > 2 || e.tinDisplay > 1) return false;
    return true;
}

// --- reading ----------------------------------------------------------------------

// Reads the file's leading bytes; 1 and the version, or 0 after telling the
// user why not (`quiet` for ReadConfigVersion, which tells no one).
static int ReadHead(VFile f, int32_t* version, bool quiet)
{
    char magic[6];
    if (!VFileReadExact(f, magic, sizeof magic)) {
        if (!quiet) ConfigError(kConfigCorruptText);
        return 0;
    }
    if (memcmp(magic, kMagic, sizeof magic) != 0) {
        if (!quiet) ConfigError(kConfigForeignText);
        return 0;
    }
    if (!VFileReadExact(f, version, 4)) {
        if (!quiet) ConfigError(kConfigBadVersionText);
        return 0;
    }
    return 1;
}

int ReadConfigVersion()
{
    VFile f = VFileOpenRead(currentConfigPath);
    if (!f) return -1;
    int32_t version = -1;
    int ok = ReadHead(f, &version, true);
    VFileClose(f);
    return ok ? version : -1;
}

// The texts of a class table the file holds.
static std::vector<StoredField> ClassTableTexts(ClassTable* classes)
{
    std::vector<StoredField> texts = {{classes->path, sizeof classes->path}, {classes->title, sizeof classes->title}};
    for (ClassEntry& e : classes->entries) texts.push_back({e.name, sizeof e.name});
    return texts;
}

static int ReadConfigRange(HWND view, int lowest, int highest)
{
    VFile f = VFileOpenRead(currentConfigPath);
    if (!f) {
        ConfigError(kConfigUnreadableText);
        return 0;
    }
    int32_t version = 0;
    if (!ReadHead(f, &version, false)) {
        VFileClose(f);
        return 0;
    }
    if (version < lowest || version > highest) {
        VFileClose(f);
        ConfigError(kConfigBadVersionText);
        return 0;
    }
    // Bytes after the last field are ignored, so the longest layout is enough.
    static uint8_t body[kVersion5Bytes];
    uint64_t got = 0;
    int readOk = VFileRead(f, body, sizeof body - 10, &got);
    VFileClose(f);

    // Into a copy: fields a version lacks keep their current values, and a
    // damaged file leaves the settings exactly as they were.
    static DisplaySettings read;
    read = GlobalDisplaySettings;
    int32_t singleClass = -1;
    ImageSink sink = {body, readOk ? (size_t)got : 0, 0, 0, false};
    WalkLayout(sink, read, version, &singleClass);
    int expected = version >= 4 ? kItemsV45 : kItemsV13;
    if (sink.items + AbsentItems(version) != expected || !SettingsValid(read)) {
        ConfigError(kConfigCorruptText);
        return 0;
    }
    // Files written before the program spoke UTF-8 hold the class names and
    // the list's path in the system's code page.
    unsigned unshown = UnshownTextCount();
    StoredFieldsAsProgramText(ClassTableTexts(&read.classTable));
    NoteUnshownLetters(UnshownTextCount() - unshown);
    if (version < 4) {
        memset(read.classifyFromClasses, 0, sizeof read.classifyFromClasses);
        if (ClassCode(singleClass)) read.classifyFromClasses[singleClass] = 1;
    }
    GlobalDisplaySettings = read;
    if (ViewSettings* settings = SettingsOfView(view)) CopyGlobalToViewSettings(settings);
    char line[300];
    snprintf(line, sizeof line, "[LOAD]  %s", currentConfigTitle);
    LogMessage(line);
    return 1;
}

int ReadConfigFile(HWND view) { return ReadConfigRange(view, 4, 5); }
int ReadConfigFileV1(HWND view) { return ReadConfigRange(view, 1, 3); }

// --- writing ----------------------------------------------------------------------

int WriteConfigFile(HWND view)
{
    // Written beside the settings file and moved over it only when whole; a
    // read-only file is refused, whatever the account could do.
    ReplacingFile replacing;
    if (!OpenReplacing(&replacing, currentConfigPath)) {
        std::string why = TempNameRefusal(currentConfigPath, kTempFileExtension);
        if (!why.empty()) ShowMessageBox(FrameWindow, why.c_str(), "ERROR", MB_OK | MB_ICONERROR);
        else ConfigError(kConfigUnwritableText);
        return 0;
    }
    VFile f = replacing.file;
    if (ViewSettings* settings = SettingsOfView(view)) CopyViewToGlobalSettings(settings);

    static uint8_t image[kVersion5Bytes];
    memcpy(image, kMagic, sizeof kMagic);
    int32_t version = kConfigVersion;
    memcpy(image + 6, &version, 4);
    static DisplaySettings copy;
    copy = GlobalDisplaySettings;
    // Names read with letters the program cannot show are written back with
    // them, and then the file is UTF-8.
    std::vector<StoredField> texts = ClassTableTexts(&copy.classTable);
    FieldsAsFileText(texts, CodePageToWrite(AnyFieldKeepsLetters(texts)));
    ImageSink sink = {image + 10, sizeof image - 10, 0, 0, true};
    WalkLayout(sink, copy, kConfigVersion, nullptr);

    // A full disk or a vanished share must not pass for a saved file.
    int written = VFileWrite(f, image, sizeof image);
    if (!CloseReplacing(&replacing, written != 0)) {
        ConfigError("Unable to write:\n\n    %s\n");
        return 0;
    }
    char line[300];
    snprintf(line, sizeof line, "[SAVE]  %s", currentConfigTitle);
    LogMessage(line);
    return 1;
}

// --- the two commands ---------------------------------------------------------------

static int ChooseConfig(char* path, char* title, bool save)
{
    char file[256], name[256];
    snprintf(file, sizeof file, "%s", path);
    snprintf(name, sizeof name, "%s", title);
    if (!ChooseOneFile(FrameWindow, save ? "VelkaViewer Config Files (*.cfg) |*.cfg|"
                            : "VelkaViewer Config Files (*.cfg) |*.cfg|All files (*.*)|*.*|",
                       save ? "Save VelkaViewer Config" : "Load VelkaViewer Config", save, OFN_HIDEREADONLY, file,
                       name))
        return 0;
    snprintf(path, kConfigPathChars, "%s", file);
    snprintf(title, kConfigPathChars, "%s", name[0] ? name : GetPathFileName(file));
    return 1;
}

int ChooseConfigToSave(char* path, char* title) { return ChooseConfig(path, title, true); }
int ChooseConfigToLoad(char* path, char* title) { return ChooseConfig(path, title, false); }

int LoadConfigCommand(HWND view)
{
    if (!ChooseConfigToLoad(currentConfigPath, currentConfigTitle)) return 0;
    int loaded = ReadConfigVersion() >= 4 ? ReadConfigFile(view) : ReadConfigFileV1(view);
    if (loaded && view) {
        // The view took the loaded settings: it draws and checks by them now.
        InvalidateView(view, 1);
        UpdateToolbarState(view);
        CheckViewMenuItems(view);
    }
    return loaded;
}

int SaveConfigAsCommand(HWND view)
{
    if (!ChooseConfigToSave(currentConfigPath, currentConfigTitle)) return 0;
    // A name too long to take the extension is refused rather than cut.
    if (!ChangeFileExtensionTo(currentConfigPath, ".cfg") || !ChangeFileExtensionTo(currentConfigTitle, ".cfg")) {
        ConfigError(kConfigUnwritableText);
        return 0;
    }
    return WriteConfigFile(view);
}
