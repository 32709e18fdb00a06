#include "window_fixtures.h"
#include "shell/config_file.h"
#include "app/command_ids.h"
#include "app/display_settings.h"
#include "app/frame_bars.h"
#include "shell/frame.h"
#include "shell/view_window.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/file_io.h"
#include <commctrl.h>
#include <cstring>

namespace {

typedef std::vector<uint8_t> Bytes;

class ConfigFileTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        StartFrame();
    }
    void Use(const std::string& path)
    {
        snprintf(currentConfigPath, sizeof currentConfigPath, "%s", path.c_str());
        const char* name = strrchr(path.c_str(), '\\');
        snprintf(currentConfigTitle, sizeof currentConfigTitle, "%s", name ? name + 1 : path.c_str());
    }
    static Bytes ReadAll(const std::string& path)
    {
        Bytes bytes;
        VFile f = VFileOpenRead(path.c_str());
        if (!f) return bytes;
        bytes.resize((size_t)VFileSize(f));
        VFileReadExact(f, bytes.data(), bytes.size());
        VFileClose(f);
        return bytes;
    }
    static void WriteAll(const std::string& path, const Bytes& bytes)
    {
        VFile f = VFileCreate(path.c_str());
        VFileWrite(f, bytes.data(), bytes.size());
        VFileClose(f);
    }
    static int32_t IntAt(const Bytes& b, size_t offset)
    {
        int32_t v;
        memcpy(&v, &b[offset], 4);
        return v;
    }
    static void SetIntAt(Bytes& b, size_t offset, int32_t v) { memcpy(&b[offset], &v, 4); }

    // Settings unlike the defaults in every part the file holds.
    static void ChangeSettings()
    {
        DisplaySettings& g = GlobalDisplaySettings;
        g.returnFilter[2] = 0;
        g.lightAzimuth = 200;
        g.zExaggeration = 3.5f;
        g.tinPalette = 3;
        strcpy(g.classTable.entries[6].name, "Roofs");
        g.classTable.entries[6].mainColor = 0x102030;
        g.contourInterval = 0.25f;
        g.reserved1 = 41;
        g.profileWidth = 7.5f;
        g.classifyTargetClass = 6;
        g.classifyFromClasses[0] = 0;
        g.classifyFromClasses[17] = 1;
        g.smFeatureClass = 9;
        g.reserved6 = 66;
        g.reserved8 = 88;
        g.returnColors[5] = 0x00ABCDEF;
    }

    // A version 5 image of the current settings.
    Bytes Version5Image()
    {
        std::string path = TempPath("image.cfg");
        Use(path);
        EXPECT_EQ(WriteConfigFile(nullptr), 1);
        return ReadAll(path);
    }

    // An older layout cut out of a version 5 image: up to classifyTargetClass
    // as it stands, then the one class code and the fields of that version.
    static Bytes OlderImage(const Bytes& v5, int version, int32_t classCode)
    {
        Bytes b(v5.begin(), v5.begin() + 20570);
        SetIntAt(b, 6, version);
        b.resize(b.size() + 4);
        SetIntAt(b, 20570, classCode);
        size_t tail = version == 1 ? 8 : version == 2 ? 24 : 28;   // smGround.. up to the version's last field
        b.insert(b.end(), v5.begin() + 21594, v5.begin() + 21594 + tail);
        return b;
    }
};

}  // namespace

TEST_F(ConfigFileTest, Version5WritesTheLayoutAndRoundTripsByteForByte)
{
    ChangeSettings();
    DisplaySettings written = GlobalDisplaySettings;
    Bytes first = Version5Image();
    ASSERT_EQ(first.size(), 21654u);
    EXPECT_EQ(memcmp(first.data(), "KSDNBL", 6), 0);
    EXPECT_EQ(IntAt(first, 6), 5);
    EXPECT_EQ(IntAt(first, 18), 0);     // intermediate returns
    EXPECT_EQ(IntAt(first, 26), 200);   // light azimuth
    EXPECT_EQ(memcmp(&first[46], &written.classTable, sizeof(ClassTable)), 0);
    EXPECT_EQ(IntAt(first, 20546), 41);    // reserved1
    EXPECT_EQ(IntAt(first, 20566), 6);     // target class
    EXPECT_EQ(IntAt(first, 20570 + 17 * 4), 1);
    EXPECT_EQ(IntAt(first, 21598), 9);     // feature class
    EXPECT_EQ(IntAt(first, 21610), 66);    // reserved6
    EXPECT_EQ(IntAt(first, 21622 + 5 * 4), 0x00ABCDEF);

    SetDefaultDisplaySettings();
    EXPECT_EQ(ReadConfigFile(nullptr), 1);
    EXPECT_EQ(memcmp(&GlobalDisplaySettings, &written, sizeof written), 0);
    std::string again = TempPath("again.cfg");
    Use(again);
    EXPECT_EQ(WriteConfigFile(nullptr), 1);
    EXPECT_EQ(ReadAll(again), first);
}

// Deleting classes leaves a table of one class or none; the program saves
// it, so it must read it back.
TEST_F(ConfigFileTest, TablesOfOneClassOrNoneReadBack)
{
    for (int32_t count : {1, 0}) {
        ChangeSettings();
        GlobalDisplaySettings.classTable.count = count;
        DisplaySettings written = GlobalDisplaySettings;
        Version5Image();
        SetDefaultDisplaySettings();
        EXPECT_EQ(ReadConfigFile(nullptr), 1) << count;
        EXPECT_EQ(memcmp(&GlobalDisplaySettings, &written, sizeof written), 0) << count;
    }
}

TEST_F(ConfigFileTest, Version4KeepsTheReturnColours)
{
    ChangeSettings();
    Bytes v4 = Version5Image();
    v4.resize(21622);
    SetIntAt(v4, 6, 4);
    std::string path = TempPath("v4.cfg");
    WriteAll(path, v4);
    SetDefaultDisplaySettings();
    GlobalDisplaySettings.returnColors[5] = 0x445566;
    FileDialogAnswers answers({path});
    BoxAnswers boxes;
    EXPECT_EQ(LoadConfigCommand(nullptr), 1);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(answers.captions()[0], "Load VelkaViewer Config");
    EXPECT_EQ(GlobalDisplaySettings.lightAzimuth, 200);
    EXPECT_EQ(GlobalDisplaySettings.reserved8, 88);
    EXPECT_STREQ(GlobalDisplaySettings.classTable.entries[6].name, "Roofs");
    EXPECT_EQ(GlobalDisplaySettings.returnColors[5], 0x445566u);
}

TEST_F(ConfigFileTest, Versions1To3LoadTheirOneClassCode)
{
    ChangeSettings();
    Bytes v5 = Version5Image();
    for (int version = 1; version <= 3; version++) {
        SCOPED_TRACE(version);
        std::string path = TempPath("old.cfg");
        WriteAll(path, OlderImage(v5, version, 11));
        SetDefaultDisplaySettings();
        GlobalDisplaySettings.reserved8 = 5;
        GlobalDisplaySettings.reserved6 = 6;
        FileDialogAnswers answers({path});
        BoxAnswers boxes;
        EXPECT_EQ(LoadConfigCommand(nullptr), 1);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(GlobalDisplaySettings.lightAzimuth, 200);
        EXPECT_EQ(GlobalDisplaySettings.smFeatureClass, 9);
        for (int c = 0; c < 256; c++) EXPECT_EQ(GlobalDisplaySettings.classifyFromClasses[c], c == 11 ? 1 : 0);
        EXPECT_EQ(GlobalDisplaySettings.reserved6, version >= 2 ? 66 : 6);
        EXPECT_EQ(GlobalDisplaySettings.reserved8, version >= 3 ? 88 : 5);
        EXPECT_EQ(GlobalDisplaySettings.returnColors[5], 0x80FFFFu);
    }
}

// A file an earlier version wrote on a Russian system holds the class names
// and the class list's path in code page 1251: they read as their letters,
// a name that grows past its 63 bytes cut between letters, and so does a
// name whose letters alone would pass for UTF-8 ("ДІМ" for "Ĳ" and half a
// letter).
TEST_F(ConfigFileTest, NamesInTheSystemsCodePageReadAsTheirLetters)
{
    const std::string roofs1251 = "\xca\xf0\xfb\xf8\xe8", roofsUTF8 = "\xd0\x9a\xd1\x80\xd1\x8b\xd1\x88\xd0\xb8";
    ClassTable& t = GlobalDisplaySettings.classTable;
    strcpy(t.entries[6].name, roofs1251.c_str());
    strcpy(t.entries[8].name, "\xc4\xb2\xcc");
    memset(t.entries[7].name, 0, sizeof t.entries[7].name);
    memset(t.entries[7].name, '\xe0', sizeof t.entries[7].name - 1);   // 63 letters "а"
    snprintf(t.path, sizeof t.path, "D:\\%s\\classes.csv", roofs1251.c_str());
    std::string path = TempPath("russian.cfg");
    Use(path);
    ASSERT_EQ(WriteConfigFile(nullptr), 1);
    SetDefaultDisplaySettings();
    SystemCodePageIs russian(1251);
    ASSERT_EQ(ReadConfigFile(nullptr), 1);
    EXPECT_EQ(std::string(t.entries[6].name), roofsUTF8);
    std::string a;
    for (int i = 0; i < 31; i++) a += "\xd0\xb0";
    EXPECT_EQ(std::string(t.entries[7].name), a);
    EXPECT_EQ(std::string(t.entries[8].name), "\xd0\x94\xd0\x86\xd0\x9c");
    EXPECT_EQ(std::string(t.path), "D:\\" + roofsUTF8 + "\\classes.csv");
    // What this version writes reads back unchanged.
    ASSERT_EQ(WriteConfigFile(nullptr), 1);
    ASSERT_EQ(ReadConfigFile(nullptr), 1);
    EXPECT_EQ(std::string(t.entries[6].name), roofsUTF8);
    EXPECT_EQ(std::string(t.entries[7].name), a);
}

// Where the program speaks 1252, class names and the list's path it shows
// with "?" are saved in the letters they were read with, beside a name
// edited there.
TEST_F(ConfigFileTest, LettersThisWindowsCannotShowAreSavedAsTheyWereRead)
{
    ClassTable& t = GlobalDisplaySettings.classTable;
    strcpy(t.entries[6].name, kRussianUTF8);
    strcpy(t.entries[7].name, kEteUTF8);
    const std::string listPath = "D:\\" + std::string(kBenchmarkUTF8) + "\\classes.csv";
    snprintf(t.path, sizeof t.path, "%s", listPath.c_str());
    Use(TempPath("letters.cfg"));
    ASSERT_EQ(WriteConfigFile(nullptr), 1);
    SetDefaultDisplaySettings();
    {
        ProgramCodePageIs western(1252);
        BoxAnswers boxes;
        ASSERT_EQ(ReadConfigFile(nullptr), 1);
        EXPECT_TRUE(ShowedOneBox(boxes, UnshownLettersWarning(2)));
        EXPECT_STREQ(t.entries[6].name, "??????");
        EXPECT_STREQ(t.entries[7].name, kEte1252);
        EXPECT_STREQ(t.path, "D:\\????? 1\\classes.csv");
        strcpy(t.entries[8].name, "Caf\xe9");
        ASSERT_EQ(WriteConfigFile(nullptr), 1);
    }
    SetDefaultDisplaySettings();
    ASSERT_EQ(ReadConfigFile(nullptr), 1);
    EXPECT_STREQ(t.entries[6].name, kRussianUTF8);
    EXPECT_STREQ(t.entries[7].name, kEteUTF8);
    EXPECT_STREQ(t.entries[8].name, "Caf\xc3\xa9");
    EXPECT_EQ(t.path, listPath);
}

TEST_F(ConfigFileTest, RefusedFilesLeaveTheSettingsAlone)
{
    ChangeSettings();
    Bytes v5 = Version5Image();
    SetDefaultDisplaySettings();
    GlobalDisplaySettings.lightAzimuth = 300;
    DisplaySettings before = GlobalDisplaySettings;

    struct Case {
        const char* name;
        Bytes bytes;
        std::string message;
    };
    Bytes v6 = v5, v0 = v5, shortFile(v5.begin(), v5.begin() + 21000), badPalette = v5, unterminated = v5,
          badCount = v5, text = {'x', ',', 'y', '\n', 'z', ',', 'w', '\n'}, headOnly(v5.begin(), v5.begin() + 4);
    SetIntAt(v6, 6, 6);
    SetIntAt(v0, 6, 0);
    SetIntAt(badPalette, 42, 9);
    memset(&unterminated[46 + 516 + 3 * 78], 'A', 64);   // the name of class 3
    SetIntAt(badCount, 46, 257);
    std::vector<Case> cases = {
        {"v6.cfg", v6, Formatted(kConfigBadVersionText, "v6.cfg")},
        {"v0.cfg", v0, Formatted(kConfigBadVersionText, "v0.cfg")},
        {"short.cfg", shortFile, Formatted(kConfigCorruptText, "short.cfg")},
        {"palette.cfg", badPalette, Formatted(kConfigCorruptText, "palette.cfg")},
        {"name.cfg", unterminated, Formatted(kConfigCorruptText, "name.cfg")},
        {"count.cfg", badCount, Formatted(kConfigCorruptText, "count.cfg")},
        {"text.cfg", text, Formatted(kConfigForeignText, "text.cfg")},
        {"head.cfg", headOnly, Formatted(kConfigCorruptText, "head.cfg")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TempPath(c.name);
        WriteAll(path, c.bytes);
        Use(path);
        BoxAnswers boxes;
        EXPECT_EQ(ReadConfigFile(nullptr), 0);
        ASSERT_TRUE(ShowedOneBox(boxes, c.message));
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_OK | MB_ICONERROR));
        EXPECT_EQ(memcmp(&GlobalDisplaySettings, &before, sizeof before), 0);
    }
    // The older reader refuses the newer versions the same way.
    Use(TempPath("v6.cfg"));
    BoxAnswers boxes;
    EXPECT_EQ(ReadConfigFileV1(nullptr), 0);
    EXPECT_EQ(boxes.shown().at(0).text, Formatted(kConfigBadVersionText, "v6.cfg"));
    Use(TempPath("missing.cfg"));
    EXPECT_EQ(ReadConfigVersion(), -1);
    EXPECT_EQ(ReadConfigFile(nullptr), 0);
    EXPECT_EQ(boxes.shown().back().text, Formatted(kConfigUnreadableText, "missing.cfg"));
}

TEST_F(ConfigFileTest, SaveAsAddsTheExtensionAndReportsUnwritableFiles)
{
    std::string bare = TempPath("settings");
    {
        FileDialogAnswers answers({bare});
        BoxAnswers boxes;
        EXPECT_EQ(SaveConfigAsCommand(nullptr), 1);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(answers.captions()[0], "Save VelkaViewer Config");
    }
    EXPECT_TRUE(VFileExists((bare + ".cfg").c_str()));
    EXPECT_STREQ(currentConfigTitle, "settings.cfg");

    FileDialogAnswers answers({TempDir() + "no such folder\\x.cfg", ""});
    BoxAnswers boxes;
    EXPECT_EQ(SaveConfigAsCommand(nullptr), 0);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kConfigUnwritableText, "x.cfg")));
    // A cancelled dialog does nothing.
    EXPECT_EQ(SaveConfigAsCommand(nullptr), 0);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(ConfigFileTest, AViewWritesItsOwnSettingsAndTakesLoadedOnes)
{
    ViewRecord* record = CreateViewRecord();
    ASSERT_NE(record, nullptr);
    strcpy(record->title, "settings view");
    HWND view = CreateViewWindow(record);
    ASSERT_NE(view, nullptr);
    record->lightAzimuth = 77;
    record->tinColorMode = 2;
    std::string path = TempPath("view.cfg");
    Use(path);
    EXPECT_EQ(WriteConfigFile(view), 1);
    EXPECT_EQ(GlobalDisplaySettings.lightAzimuth, 77);
    EXPECT_EQ(GlobalDisplaySettings.tinPalette, 2);

    record->lightAzimuth = 10;
    GlobalDisplaySettings.lightAzimuth = 20;
    EXPECT_EQ(ReadConfigFile(view), 1);
    EXPECT_EQ(GlobalDisplaySettings.lightAzimuth, 77);
    EXPECT_EQ(record->lightAzimuth, 77);
}

// The project window's record is a copy made when the project opened: with
// it active, saving takes the global settings and loading leaves it alone.
TEST_F(ConfigFileTest, TheProjectWindowHasNoSettingsOfItsOwn)
{
    ViewRecord* record = CreateViewRecord();
    MDICREATESTRUCTA mcs = {"ProjectWin", "Project", AppInstance, CW_USEDEFAULT, CW_USEDEFAULT, 200, 150, 0,
                            (LPARAM)record};
    HWND project = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
    ASSERT_NE(project, nullptr);
    record->lightAzimuth = 55;
    GlobalDisplaySettings.lightAzimuth = 20;
    Use(TempPath("project.cfg"));
    EXPECT_EQ(WriteConfigFile(project), 1);
    EXPECT_EQ(GlobalDisplaySettings.lightAzimuth, 20);
    EXPECT_EQ(ReadConfigFile(project), 1);
    EXPECT_EQ(record->lightAzimuth, 55);
    SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)project, 0);
}

// A configuration file loaded into a view shows at once: a fresh draw and the
// return switches checked as the file has them.
TEST_F(ConfigFileTest, ALoadedFileRedrawsTheViewAndSetsItsChecks)
{
    GlobalDisplaySettings.returnFilter[0] = 0;
    std::string path = TempPath("single_off.cfg");
    Use(path);
    ASSERT_EQ(WriteConfigFile(nullptr), 1);
    SetDefaultDisplaySettings();

    ViewRecord* record = CreateViewRecord();
    ASSERT_NE(record, nullptr);
    strcpy(record->title, "checks view");
    HWND view = CreateViewWindow(record);
    ASSERT_NE(view, nullptr);
    SetToolbarChecks(view);
    ASSERT_NE(GetMenuState(ViewMenu, CMD_SHOW_SINGLE, MF_BYCOMMAND) & MF_CHECKED, 0u);
    record->imageCacheValid = 1;
    LONG generation = record->drawGeneration;

    FileDialogAnswers answers({path});
    EXPECT_EQ(LoadConfigCommand(view), 1);
    EXPECT_EQ(record->showSingleReturns, 0);
    EXPECT_EQ(GetMenuState(ViewMenu, CMD_SHOW_SINGLE, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(record->imageCacheValid, 0);
    EXPECT_NE(record->drawGeneration, generation);
}

// A save that fails part way (a full disk) or meets a read-only file leaves
// the old file byte for byte and says so; the read-only file is refused even
// where the account could write it.
TEST_F(ConfigFileTest, FailedSavesKeepTheOldFile)
{
    Bytes before = Version5Image();
    std::string path = currentConfigPath;
    ChangeSettings();
    for (int readOnly = 0; readOnly < 2; readOnly++) {
        BoxAnswers boxes;
        if (readOnly) ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        else SetWriteFaultAt(1);
        EXPECT_EQ(WriteConfigFile(nullptr), 0) << readOnly;
        SetWriteFaultAt(0);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(boxes.shown().size(), 1u) << readOnly;
        EXPECT_EQ(ReadAll(path), before) << readOnly;
    }
}
