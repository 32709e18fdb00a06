// The ASCII import driven from the frame's Import command, and single files
// through the import routine: the new LAS files are read back with the
// program's loader and the LAS library, and compared with the text.
#include "tests/convert_test_support.h"
#include "tests/las_test_files.h"
#include "tests/project_test_files.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/import_ascii.h"
#include "gis/convert/import_las.h"
#include "app/command_ids.h"
#include "app/job_control.h"
#include "base/file_replace.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/import_fields.h"
#include "data/las_loader.h"
#include "data/lasfile/las_file.h"
#include "resource.h"
#include <cmath>

namespace {


struct TextPoint {
    double x, y, z, gps;
    int intensity, cls, ret, count;
};

// Adds the available field named `name` to the end of the import list.
void AddField(HWND dialog, const char* name)
{
    HWND available = GetDlgItem(dialog, IDC_FIELDS_AVAILABLE);
    int row = (int)SendMessageA(available, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name);
    ASSERT_GE(row, 0) << name;
    SendMessageA(available, LB_SETCURSEL, row, 0);
    SendMessageA(dialog, WM_COMMAND, IDC_FIELD_RIGHT, 0);
}

class ImportASCIITest : public LoggedFrameTest {};

// The single-file road: one XYZ mapping and one job for the test.
class ImportASCII : public testing::Test {
protected:
    void TearDown() override
    {
        FreeJobControl(job);
        FreeImportFieldList(list);
    }
    // Converts one file with the mapping, outside any dialog.
    int ImportOne(const std::string& path, ConvertTally* tally = nullptr)
    {
        FileList files = {};
        AddFileListEntry(&files, path.c_str(), path.substr(path.rfind('\\') + 1).c_str());
        int r = ImportASCIIFile(files.entries[0], list, job, nullptr, tally);
        ClearFileList(&files);
        return r;
    }
    // Maps the next column to the classification.
    void AddClassColumn()
    {
        ImportFieldList* available = NewAvailableFieldList();
        for (int i = 0; i < available->count; i++)
            if (available->entries[i] && available->entries[i]->code == FIELD_CLASSIFICATION) {
                MoveImportField(list, available, i);
                break;
            }
        FreeImportFieldList(available);
    }
    ImportFieldList* list = NewXYZFieldList();
    JobControl* job = CreateJobControl();
};

}  // namespace

// Comma-separated points with intensity, class, returns and GPS time: the
// LAS file is format 1 (GPS time mapped), every coordinate comes back within
// half a step, out-of-range values keep their low bits and are reported,
// short lines and the header line are skipped (the end notice counts the
// header line) and the header's counts and bounds are right.
TEST_F(ImportASCIITest, DialogRunWritesACompleteLASFile)
{
    std::vector<TextPoint> points;
    std::string text = "X,Y,Z,Intensity,Class,Return,Returns,Time\n";
    for (int i = 0; i < 300; i++) {
        TextPoint p = { 512345.678 + i * 0.731, 4100000.125 - i * 1.003, 100.5 + (i % 37) * 0.25,
                        1000.2500 + i, i * 10, i % 5, 1 + i % 3, 3 };
        if (i == 7) p.intensity = 70000;
        if (i == 8) p.ret = 9;
        points.push_back(p);
        char line[200];
        snprintf(line, sizeof line, "%.3f,%.3f,%.2f,%d,%d,%d,%d,%.4f%s\n", p.x, p.y, p.z, p.intensity, p.cls, p.ret,
                 p.count, p.gps, i == 5 ? ",99,98" : "");
        text += line;
        if (i == 100) text += "1,2\n";
    }
    std::string path = WriteTempFile("pts.txt", text);
    std::string shown;
    {
        BoxAnswers boxes;
        DialogDriver driver([&](HWND dialog, int id) {
            if (id == IDD_IMPORT_FORMAT) {
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);   // "ASCII Text" is the default
                return;
            }
            ASSERT_EQ(id, IDD_IMPORT_ASCII);
            {
                FileDialogAnswers files({ path });
                SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_ADD_FILES, 0);
            }
            for (const char* name : { " Intensity", " Classification", " Return Number", " Number of Returns",
                                      " GPS Time" })
                AddField(dialog, name);
            CheckRadioButton(dialog, IDC_DELIMITER_SPACE, IDC_DELIMITER_TAB, IDC_DELIMITER_COMMA);
            SendMessageA(dialog, WM_COMMAND, IDC_DELIMITER_COMMA, 0);
            SaveWindowShot(dialog, "import_ascii");
            SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_START, 0);
            HWND pause = GetDlgItem(dialog, IDC_CONVERT_PAUSE);
            EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(pause); }, 30000)) << "the import did not end";
            EXPECT_TRUE(ListBoxRows(GetDlgItem(dialog, IDC_CONVERT_FILES)).empty());
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(FrameWindow, WM_COMMAND, CMD_IMPORT, 0);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "Import Process Complete\n\nFiles converted:  1\nFiles failed:  0\n"
                                         "Files stopped:  0\nLines with a field that is not a number left out:  1");
    }
    std::string las = path.substr(0, path.size() - 4) + ".las";
    LASFile* f = OpenLASFile(las.c_str(), LAS_MODE_READ);
    ASSERT_TRUE(f);
    const LASHeader h = f->header;
    CloseLASFile(f);
    EXPECT_EQ(h.versionMinor, 0);
    EXPECT_EQ(h.pointDataFormat, 1);
    EXPECT_EQ(h.pointDataRecordLength, 28);
    EXPECT_EQ(h.legacyPointCount, 300u);
    uint32_t byReturn[5] = {};
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300, minZ = 1e300, maxZ = -1e300;
    for (const TextPoint& p : points) {
        byReturn[(p.ret & 7) - 1]++;
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        minZ = std::min(minZ, p.z), maxZ = std::max(maxZ, p.z);
    }
    for (int r = 0; r < 5; r++) EXPECT_EQ(h.legacyPointsByReturn[r], byReturn[r]) << r;
    EXPECT_NEAR(h.minX, minX, 0.0005);
    EXPECT_NEAR(h.maxX, maxX, 0.0005);
    EXPECT_NEAR(h.minY, minY, 0.0005);
    EXPECT_NEAR(h.maxY, maxY, 0.0005);
    EXPECT_NEAR(h.minZ, minZ, 0.0005);
    EXPECT_NEAR(h.maxZ, maxZ, 0.0005);

    DataSet* set = LoadLASDataWhole(las.c_str(), "pts.las");
    ASSERT_TRUE(set);
    ASSERT_EQ(set->pointCount, 300);
    for (int i = 0; i < 300; i++) {
        const PointRecord& q = set->points[i];
        const TextPoint& p = points[(size_t)i];
        EXPECT_NEAR(q.x, p.x, 0.0005);
        EXPECT_NEAR(q.y, p.y, 0.0005);
        EXPECT_NEAR(q.z, p.z + 0.001, 0.0006) << i;   // the loader lifts Z by 1 mm
        EXPECT_EQ(q.intensity, p.intensity & 0xFFFF);
        EXPECT_EQ(q.classification, p.cls);
        EXPECT_EQ(q.returns & 7, p.ret & 7);
        EXPECT_EQ((q.returns >> 3) & 7, 3);
        EXPECT_DOUBLE_EQ(q.gpsTime, p.gps);
        if (HasFailure()) break;
    }
    FreeDataSet(set);
    char note[300];
    snprintf(note, sizeof note, kImportMisfitFormat, "pts.txt", 0ull, 2ull);
    EXPECT_NE(std::find(logged().begin(), logged().end(), std::string(note)), logged().end());
    snprintf(note, sizeof note, kImportSkippedFormat, "pts.txt", 1ull);
    EXPECT_NE(std::find(logged().begin(), logged().end(), std::string(note)), logged().end());
}

// Coordinates 6,000 km apart do not fit 32 bits at 1 mm: the step widens
// instead of wrapping, and the log and the end notice say so. A file
// without a usable line fails and leaves no file.
TEST_F(ImportASCII, WideSpansAndEmptyFiles)
{
    std::string wide = WriteTempFile("wide.xyz", "-3000000.25 10 5\n3000000.75 20 6\n12.5 15 7\n");
    std::string empty = WriteTempFile("empty.xyz", "a b\n\n");
    LogLines log;
    ConvertTally tally = {};
    ASSERT_EQ(ImportOne(wide, &tally), 1);
    char line[300];
    snprintf(line, sizeof line, kImportCoarseFormat, "wide.xyz", 'X', 0.01, 0.001);
    EXPECT_TRUE(log.contains(line)) << line;
    EXPECT_EQ(tally.coarseAxes, 1);
    EXPECT_STREQ(tally.coarseNotes, "wide.xyz:  X stored in steps of 0.01 instead of 0.001\n");
    BoxAnswers boxes;
    EXPECT_EQ(ImportOne(empty), 0);
    ASSERT_TRUE(ShowedOneBox(boxes, std::string("empty.xyz\n") + kImportNoPoints + "\n"));
    EXPECT_FALSE(FileThere(TempPath("empty.las")));
    DataSet* set = LoadLASDataWhole(TempPath("wide.las").c_str(), "wide.las");
    ASSERT_TRUE(set);
    ASSERT_EQ(set->pointCount, 3);
    LASFile* f = OpenLASFile(TempPath("wide.las").c_str(), LAS_MODE_READ);
    ASSERT_TRUE(f);
    double step = f->header.xScale;
    EXPECT_LE(step, 0.01);
    CloseLASFile(f);
    EXPECT_NEAR(set->points[0].x, -3000000.25, step / 2 + 1e-9);
    EXPECT_NEAR(set->points[1].x, 3000000.75, step / 2 + 1e-9);
    EXPECT_NEAR(set->points[2].x, 12.5, step / 2 + 1e-9);
    EXPECT_NEAR(set->points[2].y, 15.0, 0.0005);
    FreeDataSet(set);
}

// A stop at a poll removes the new file; the reason-less failure of an
// unreadable input names the file.
TEST_F(ImportASCII, StopAndUnreadableInputLeaveNoFile)
{
    std::string text;
    for (int i = 0; i < 5000; i++) text += std::to_string(i) + " 1 2\n";
    std::string big = WriteTempFile("big.xyz", text);
    ASSERT_TRUE(BeginJob(job));
    CancelJob(job);
    EXPECT_EQ(ImportOne(big), -1);
    EndJob(job);
    EXPECT_FALSE(FileThere(TempPath("big.las")));
    BoxAnswers boxes;
    EXPECT_EQ(ImportOne(TempPath("missing.xyz")), 0);
    ASSERT_TRUE(ShowedOneBox(boxes, std::string("missing.xyz\n") + kImportReadFailed + "\n"));
    EXPECT_FALSE(FileThere(TempPath("missing.las")));
}

namespace {
JobControl* pausedAfterFirstFile = nullptr;
HANDLE questionUp = nullptr;
HWND importDialog = nullptr;
// On the worker: the first file is written and logged.
void PauseAfterTheFirstFile(const char* text)
{
    if (!strncmp(text, "[IMPORT]", 8) && pausedAfterFirstFile) PauseJob(pausedAfterFirstFile);
}
void ClickStopAfterTheFile(const char* text)
{
    if (strncmp(text, "[IMPORT]", 8)) return;
    PostMessageA(importDialog, WM_COMMAND, IDC_CONVERT_STOP, 0);
    EXPECT_EQ(WaitForSingleObject(questionUp, 30000), WAIT_OBJECT_0) << "the question never came";
}
}  // namespace

// Files shorter than one step of lines have no checkpoint inside: a pause
// asked during the first holds the run before the second, and a stop there
// leaves the files not begun listed and without output.
TEST_F(ImportASCII, APauseHoldsTheRunBeforeTheNextFile)
{
    FileList files = {};
    for (const char* name : { "p1.xyz", "p2.xyz", "p3.xyz" })
        AddFileListEntry(&files, WriteTempFile(name, "X Y Z\n1 2 3\n4 5 6\n").c_str(), name);
    pausedAfterFirstFile = job;
    SetLogHook(PauseAfterTheFirstFile);
    ASSERT_TRUE(StartImportASCIIThread(&files, list, job));
    EXPECT_TRUE(WaitUntil([&] { return JobPauseTaken(job) || !JobBusy(job); }, 30000));
    EXPECT_TRUE(JobPauseTaken(job)) << "the run did not hold";
    EXPECT_TRUE(FileThere(TempPath("p1.las")));
    EXPECT_FALSE(FileThere(TempPath("p2.las")));
    CancelJob(job);
    EXPECT_TRUE(WaitUntil([&] { return !JobBusy(job); }, 30000));
    SetLogHook(nullptr);
    pausedAfterFirstFile = nullptr;
    EXPECT_FALSE(FileThere(TempPath("p2.las")));
    EXPECT_FALSE(FileThere(TempPath("p3.las")));
    EXPECT_EQ(files.count, 2);
    ClearFileList(&files);
}

// Stop clicked after the last file's last checkpoint: the run ends while the
// question is open, and Yes leaves the dialog as the end set it, with Start
// on for the file that failed.
TEST_F(ImportASCIITest, ARunThatEndsWhileStopIsAskedStaysEnded)
{
    std::string good = WriteTempFile("good.xyz", "X Y Z\n1 2 3\n4 5 6\n");
    std::string missing = TempPath("missing.xyz");
    bool startOn = false;
    questionUp = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BoxAnswers boxes({ IDOK, IDYES });
    {
        DialogDriver driver([&](HWND dialog, int id) {
            if (id == IDD_IMPORT_FORMAT) {
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);
                return;
            }
            {
                FileDialogAnswers files({ TempDir().substr(0, TempDir().size() - 1) + "|missing.xyz|good.xyz" });
                SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_ADD_FILES, 0);
            }
            HWND pause = GetDlgItem(dialog, IDC_CONVERT_PAUSE);
            boxes.whileOpen([&](const ShownBox& box) {
                if (box.text != kImportStopQuestion) return;
                SetEvent(questionUp);
                EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(pause); }, 30000)) << "the import did not end";
            });
            importDialog = dialog;
            SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_START, 0);
            EXPECT_TRUE(PumpUntil([&] { return boxes.shown().size() >= 3; }, 30000)) << "the import did not end";
            startOn = IsWindowEnabled(GetDlgItem(dialog, IDC_CONVERT_START)) != 0;
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SetLogHook(ClickStopAfterTheFile);
        SendMessageA(FrameWindow, WM_COMMAND, CMD_IMPORT, 0);
        SetLogHook(nullptr);
    }
    CloseHandle(questionUp);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[1].text, kImportStopQuestion);
    EXPECT_EQ(boxes.shown()[2].text, "Import Process Ended With Failures\n\nFiles converted:  1\nFiles failed:  1\n"
                                     "Files stopped:  0\nLines with a field that is not a number left out:  1");
    EXPECT_TRUE(startOn);
    EXPECT_TRUE(FileThere(TempPath("good.las")));
}

// Files an import must not turn into wrong points or write over: a line
// longer than 254 characters is one point, not one per piece; a line beyond
// the limit fails the file with its number; classes above 31 fail the file
// rather than lose their high bits; an existing LAS file is replaced only
// after a Yes.
TEST_F(ImportASCII, LongLinesWideClassesAndExistingTargets)
{
    BoxAnswers boxes({ IDOK, IDNO, IDYES });   // the long line's failure, then No and Yes to replacing
    std::string longer = WriteTempFile("longer.xyz", "1 2 3\n100 200 300 " + std::string(250, '5') + " 9 7 8\n");
    ASSERT_EQ(ImportOne(longer), 1);
    DataSet* set = LoadLASDataWhole(TempPath("longer.las").c_str(), "longer.las");
    ASSERT_TRUE(set);
    EXPECT_EQ(set->pointCount, 2);
    FreeDataSet(set);

    std::string tooLong = WriteTempFile("toolong.xyz", "1 2 3\n4 5 6 " + std::string(9000, '7') + "\n");
    EXPECT_EQ(ImportOne(tooLong), 0);
    EXPECT_FALSE(FileThere(TempPath("toolong.las")));

    // The LAS file the text was exported from: No keeps it, Yes replaces it.
    std::string source = WriteTempFile("tile.las", "the original");
    std::string text = WriteTempFile("tile.xyz", "1 2 3\n4 5 6\n7 8 9\n");
    EXPECT_EQ(ImportOne(text), 0);
    EXPECT_EQ(ReadBytes(source).size(), 12u);
    EXPECT_EQ(ImportOne(text), 1);
    EXPECT_GT(ReadBytes(source).size(), 200u);

    AddClassColumn();
    std::string classes = WriteTempFile("classes.xyz", "1 2 3 2\n4 5 6 40\n7 8 9 6\n");
    EXPECT_EQ(ImportOne(classes), 0);
    EXPECT_FALSE(FileThere(TempPath("classes.las")));

    ASSERT_EQ(boxes.shown().size(), 4u);
    char line[200];
    snprintf(line, sizeof line, kImportLongLineFormat, 2ull, 8191);
    EXPECT_EQ(boxes.shown()[0].text, std::string("toolong.xyz\n") + line + "\n");
    snprintf(line, sizeof line, kImportReplaceQuestion, source.c_str());
    EXPECT_EQ(boxes.shown()[1].text, line);
    EXPECT_EQ(boxes.shown()[2].text, line);
    snprintf(line, sizeof line, kImportWideClassFormat, 1ull);
    EXPECT_EQ(boxes.shown()[3].text, std::string("classes.xyz\n") + kImportWideClassText + "\n" + line);
}

// A Yes to replacing the LAS file the text came from, then an import that
// stops or fails (a class the records cannot hold): the original file stays
// byte for byte and no temporary file is left beside it.
TEST_F(ImportASCII, ReplacedTargetSurvivesStopAndFailure)
{
    const Bytes kept = { 'o', 'l', 'd' };
    std::string original = WriteTempFile("back.las", "old");
    std::string text;
    for (int i = 0; i < 5000; i++) text += std::to_string(i) + " 1 2 " + (i == 4999 ? "40" : "2") + "\n";
    std::string source = WriteTempFile("back.xyz", text);
    AddClassColumn();
    BoxAnswers boxes({ IDYES, IDYES, IDOK });
    ASSERT_TRUE(BeginJob(job));
    CancelJob(job);
    EXPECT_EQ(ImportOne(source), -1);
    EndJob(job);
    EXPECT_EQ(ReadBytes(original), kept);
    EXPECT_EQ(ImportOne(source), 0);
    EXPECT_EQ(ReadBytes(original), kept);
    ASSERT_EQ(boxes.shown().size(), 3u);
    char line[200];
    snprintf(line, sizeof line, kImportWideClassFormat, 1ull);
    EXPECT_EQ(boxes.shown()[2].text, std::string("back.xyz\n") + kImportWideClassText + "\n" + line);
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
}

// An output folder whose path with the file's name ("far.las") reaches 255
// bytes takes the import, at the limit and one under, in one-byte letters
// and in letters of two and three bytes; one over fails that file as any
// other that cannot be created: the box and the log name it and the limit,
// and nothing is written.
TEST_F(ImportASCII, AnOutputPathUpToTheLimitImportsAndOneOverFailsSayingWhy)
{
    std::string text = WriteTempFile("far.xyz", "1 2 3\n4 5 6\n");
    ForOutputsAroundThePathLimit("far.las", [&](const char* letter, const std::string& target, bool fits) {
        snprintf(list->outputFolder, sizeof list->outputFolder, "%s", target.substr(0, target.rfind('\\') + 1).c_str());
        LogLines log;
        BoxAnswers boxes;
        EXPECT_EQ(ImportOne(text), fits ? 1 : 0) << letter << target.size();
        EXPECT_EQ(FileThere(target), fits) << letter << target.size();
        if (fits) {
            EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
            return;
        }
        std::string failed = std::string("far.xyz\n") + kImportCreateFailed + "\n" +
                             PathTooLongMessage(target.c_str(), target.size(), kPathChars - 1);
        EXPECT_TRUE(ShowedOneBox(boxes, failed)) << letter;
        EXPECT_TRUE(log.contains("[ERROR] far.xyz")) << letter;
        EXPECT_TRUE(log.contains(std::string("[ERROR] ") + kImportCreateFailed)) << letter;
    });
}
