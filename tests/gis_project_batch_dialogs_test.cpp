// The batch dialogs driven as a user would: files added, Start, Pause, Stop;
// the worker run to its end and the files compared byte for byte.
#include "tests/batch_test_files.h"
#include "tests/point_sets.h"
#include "tests/window_fixtures.h"
#include "tests/project_test_files.h"
#include "tests/saved_projects.h"
#include "gis/project/project.h"
#include "gis/project/project_file.h"
#include "data/las_loader.h"
#include "data/las_lock.h"
#include "data/las_save.h"
#include "data/point_load.h"
#include "base/file_replace.h"
#include "gis/project/batch_dialogs.h"
#include "classify/surface_run.h"
#include "classify/surface_settings.h"
#include "classify/thinning.h"
#include "app/job_control.h"
#include "base/file_system.h"
#include "base/code_pages.h"
#include "base/path_label.h"
#include "base/gdi_text.h"
#include "base/messages.h"
#include "resource.h"
#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

std::vector<std::string>& logLines = KeptLog();

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(f, &bytes[0], (DWORD)bytes.size(), &got, nullptr)) got = 0;
    bytes.resize(got);
    CloseHandle(f);
    return bytes;
}

class BatchTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        StartFrame();
        SetLogHook(KeepLog);
        SetDialogDriver(DriveBatch);
        SetDefaultSurfaceMagicSettings();
        run.folder = TempDir();
        scenario = &run;
    }
    void TearDown() override
    {
        SetDialogDriver(nullptr);
        SetLogHook(nullptr);
        SetSurfaceStepObserver(nullptr);
        SetDefaultSurfaceMagicSettings();
        scenario = nullptr;
        StopFrame();
        FrameFixture::TearDown();
    }
    // Copies a sample into the test folder under a new name.
    void Copy(const char* sample, const char* name)
    {
        ASSERT_TRUE(CopyFileA(SamplePath(sample).c_str(), (run.folder + name).c_str(), FALSE));
        SetFileAttributesA((run.folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);   // the samples are read-only
        run.names.push_back(name);
    }
    std::string Bytes(const char* name) { return ReadBytes(run.folder + name); }
    BatchScenario run;
};

std::atomic<int> stepsSeen{0};   // counted by the worker, read by the dialog's thread
int unitsSeen = -1;
void WatchUnits(const SurfaceStep*, int, const DataSet* set) { unitsSeen = set->units; }
// Presses Stop (answered Yes) after the first step of the second file.
void CountSteps(const SurfaceStep*, int, const DataSet*) { ++stepsSeen; }
void StopOnSecondFile(const SurfaceStep* step, int, const DataSet*)
{
    if (++stepsSeen == 3 && step->code == STEP_HCSM)
        SendMessageA(runningDialog, WM_COMMAND, IDC_BATCH_STOP, 0);
}

// Presses Pause when the one step has ended: the classification is done and
// only the save is left.
void PauseAfterTheStep(const SurfaceStep*, int, const DataSet*)
{
    if (++stepsSeen == 1) SendMessageA(runningDialog, WM_COMMAND, IDC_BATCH_PAUSE, 0);
}

// The user clicks Stop while the worker goes on: the click is posted, and the
// worker waits only until the question is up, then runs on as it would.
HANDLE questionUp = nullptr;
void ClickStopAndGoOn()
{
    PostMessageA(runningDialog, WM_COMMAND, IDC_BATCH_STOP, 0);
    EXPECT_EQ(WaitForSingleObject(questionUp, 30000), WAIT_OBJECT_0) << "the question never came";
}
void StopOnTheFirstStep(const SurfaceStep*, int, const DataSet*)
{
    if (++stepsSeen == 1) ClickStopAndGoOn();
}
void StopAfterTheLastSave(const char* text)
{
    KeepLog(text);
    if (!strncmp(text, "[SAVE]", 6)) ClickStopAndGoOn();
}
JobControl* AppJob() { return (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB); }

// Waits without answering a message: the dialog's thread stays held.
bool WaitHeld(const std::function<bool()>& done, int ms)
{
    for (DWORD start = GetTickCount(); !done(); Sleep(10))
        if (GetTickCount() - start > (DWORD)ms) return false;
    return true;
}

std::vector<std::string> ListRowsOf(HWND dialog)
{
    std::vector<std::string> rows;
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int r = 0; r < n; r++) {
        char text[1024];
        SendMessageA(list, LB_GETTEXT, r, (LPARAM)text);
        rows.push_back(text);
    }
    return rows;
}

// Holds the worker when the second file's step has ended, until the test has looked.
HANDLE looked = nullptr;
void HoldOnTheSecondFile(const SurfaceStep*, int, const DataSet*)
{
    if (++stepsSeen == 2) {
        EXPECT_EQ(WaitForSingleObject(looked, 60000), WAIT_OBJECT_0);
    }
}

}  // namespace

// The worker never waits for the dialog's thread: the run pauses, resumes and
// ends while that thread answers nothing. The dialog shows it all when its
// thread looks again, and a Start before then is no second run.
TEST_F(BatchTest, TheRunGoesOnWhileTheDialogThreadIsHeld)
{
    REQUIRE_SAMPLES();
    Copy("autzen_trim.las", "a.las");
    std::string source = Bytes("a.las");
    run.whileRunning = [&](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_PAUSE, 0);
        EXPECT_TRUE(WaitHeld([] { return JobPauseTaken(AppJob()) != 0; }, 20000)) << "the worker waited for the dialog";
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);   // Resume
        EXPECT_TRUE(WaitHeld([] { return !IsAppJobBusy(); }, 50000)) << "the worker waited for the dialog";
        EXPECT_EQ(ListRowsOf(dialog).size(), 1u);
        EXPECT_EQ(WindowText(dialog, IDC_BATCH_CURRENT), "");
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_BATCH_FILES_BAR, PBM_GETPOS, 0, 0), 0);
        EXPECT_FALSE(Logged("[BATCH]"));
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);
        EXPECT_FALSE(IsAppJobBusy()) << "a second run began before the dialog saw the first one end";
    };
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 1, 0, 0));
    EXPECT_TRUE(run.rows.empty());
    EXPECT_GT(ClassOnlyDifferences(source, Bytes("a.las")), 1000);
}

// A saved file leaves the list when it is done, a failed one stays with its
// reason; the bar counts the saved ones and the file in work is named.
TEST_F(BatchTest, FinishedFilesLeaveTheListAsTheyFinish)
{
    REQUIRE_SAMPLES();
    WriteTempFile("bad.las", "LASF");
    run.names.push_back("bad.las");
    for (const char* n : { "a.las", "b.las" }) Copy("autzen_trim.las", n);
    looked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    stepsSeen = 0;
    std::vector<std::string> rows;
    run.whileRunning = [&](HWND dialog) {
        EXPECT_TRUE(PumpUntil([&] { return stepsSeen == 2 && ListRowsOf(dialog).size() == 2; }, 60000));
        rows = ListRowsOf(dialog);
        EXPECT_EQ(WindowText(dialog, IDC_BATCH_CURRENT), "b.las");
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_BATCH_FILES_BAR, PBM_GETPOS, 0, 0), 1);
        SetEvent(looked);
    };
    SetSurfaceStepObserver(HoldOnTheSecondFile);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    CloseHandle(looked);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind(run.folder + "bad.las   <failed: Unable to open LAS file!", 0), 0u) << rows[0];
    EXPECT_EQ(rows[1], run.folder + "b.las");
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 2, 1, 0));
    EXPECT_EQ(run.rows.size(), 1u);
}

TEST_F(BatchTest, APauseDuringTheClassificationHoldsBeforeTheFileIsWritten)
{
    REQUIRE_SAMPLES();
    Copy("autzen_trim.las", "a.las");
    std::string source = Bytes("a.las");
    stepsSeen = 0;
    run.whileRunning = [&](HWND dialog) {
        runningDialog = dialog;
        HWND start = GetDlgItem(dialog, IDC_BATCH_START);
        EXPECT_TRUE(PumpUntil([&] { return stepsSeen > 0; }, 60000));
        // "Pausing..." until the worker waits; then paused, and it stays so.
        EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(start) != 0; }, 30000)) << "the pause never took effect";
        EXPECT_EQ(WindowText(dialog, IDC_BATCH_PAUSE), "Pause");
        EXPECT_EQ(WindowText(dialog, IDC_BATCH_START), kBatchResumeText);
        PumpMessages(1000);
        EXPECT_TRUE(Bytes("a.las") == source) << "written while the dialog said paused";
        EXPECT_TRUE(IsAppJobBusy());
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);   // Resume
        EXPECT_EQ(WindowText(dialog, IDC_BATCH_START), kBatchStartText);
    };
    SetSurfaceStepObserver(PauseAfterTheStep);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 1, 0, 0));
    EXPECT_GT(ClassOnlyDifferences(source, Bytes("a.las")), 1000);
}

TEST_F(BatchTest, ThreeCopiesAreClassifiedAndSavedInPlace)
{
    REQUIRE_SAMPLES();
    for (const char* n : { "a.las", "b.las", "c.las" }) Copy("autzen_trim.las", n);
    // The units key (3076 = 9002, feet) made unknown (9999).
    std::string source = Bytes("a.las");
    const std::string key("\x04\x0c\x00\x00\x01\x00\x2a\x23", 8);
    size_t at = source.find(key);
    ASSERT_NE(at, std::string::npos);
    source[at + 6] = 0x0f;
    source[at + 7] = 0x27;
    for (const char* n : { "a.las", "b.las", "c.las" }) WriteTempFile(n, source);
    run.unitsAnswer = IDC_UNITS_FEET;
    unitsSeen = -1;
    SetSurfaceStepObserver(WatchUnits);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 3, 0, 0));
    EXPECT_TRUE(run.rows.empty()) << (run.rows.empty() ? "" : run.rows[0]);
    for (const char* n : { "a.las", "b.las", "c.las" }) {
        int changed = ClassOnlyDifferences(source, Bytes(n));
        EXPECT_GT(changed, 1000) << n;
    }
    // The three copies are one file: one result.
    EXPECT_EQ(Bytes("a.las"), Bytes("c.las"));
    // The sample has no units key: the user's choice (asked once) is applied.
    EXPECT_EQ(run.noUnitsShown, 1);
    EXPECT_EQ(unitsSeen, kUnitsFeet);
}

TEST_F(BatchTest, DamagedAndLAZFilesFailAloneAndStayListed)
{
    REQUIRE_SAMPLES();
    Copy("autzen_trim.las", "a.las");
    std::string good = Bytes("a.las");
    WriteTempFile("bad.las", good.substr(0, 50));   // a header cut short
    run.names.push_back("bad.las");
    Copy("autzen_trim.laz", "c.laz");
    Copy("autzen_trim.las", "d.las");
    std::string badBytes = Bytes("bad.las"), lazBytes = Bytes("c.laz");
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 2, 2, 0));
    ASSERT_EQ(run.rows.size(), 2u);
    EXPECT_EQ(run.rows[0].rfind(run.folder + "bad.las   <failed: Unable to open LAS file!", 0), 0u) << run.rows[0];
    EXPECT_EQ(run.rows[1], run.folder + "c.laz   <failed: " + kBatchLAZText + ">");
    EXPECT_GT(ClassOnlyDifferences(good, Bytes("a.las")), 1000);
    EXPECT_GT(ClassOnlyDifferences(good, Bytes("d.las")), 1000);
    EXPECT_EQ(Bytes("bad.las"), badBytes);
    EXPECT_EQ(Bytes("c.laz"), lazBytes);
}

// A header that counts far more points than its file holds: the batch judges
// memory by the points there are, and the file fails as the short read it is
// (a batch asks nothing), its row saying so rather than naming the file again.
TEST_F(BatchTest, ACountAboveWhatTheFileHoldsFailsAsAShortReadNotForMemory)
{
    REQUIRE_SAMPLES();
    Copy("autzen_trim.las", "a.las");
    std::string damaged = Bytes("a.las");
    const uint32_t count = 1000000000u;
    memcpy(&damaged[107], &count, 4);
    WriteTempFile("a.las", damaged);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 0, 1, 0));
    ASSERT_EQ(run.rows.size(), 1u);
    EXPECT_EQ(run.rows[0], run.folder + "a.las   <failed: Short read, LAS file is corrupt!>");
    // The reason alone: no question a batch cannot answer.
    const std::string reason = Formatted(kShortReadFormat, "a.las", "LAS", (unsigned long long)count, 110000ull);
    EXPECT_EQ(std::count(KeptLog().begin(), KeptLog().end(), reason), 1);
    EXPECT_EQ(Bytes("a.las"), damaged);
}

// A file whose classes cannot be saved where they go (in place, in a folder
// without room for the temporary file: one over its limit, with a short name
// without extension; sent to a folder where its path passes the limit) fails
// with that limit before it is classified, and stays as it was.
TEST_F(BatchTest, AFileThatCannotBeSavedWhereItGoesFailsBeforeItIsClassified)
{
    REQUIRE_SAMPLES();
    SetSurfaceStepObserver(CountSteps);
    const int limit = (int)LongestTempFolder(kTempFileExtension);
    char inPlace[600], sent[600];
    snprintf(inPlace, sizeof inPlace, kSaveFolderTooLongText, "x", limit + 1, limit);
    snprintf(sent, sizeof sent, kSavePathTooLongText, "x", 256, 255);
    for (const char* reason : {inPlace, sent}) {
        run = BatchScenario();
        run.folder = reason == inPlace ? MakeFolderOfUnits((size_t)limit + 1, "e") : TempDir();
        if (reason == sent) run.outputFolder = MakeFolderOfBytes(255, "o");
        Copy("autzen_trim.las", "x");
        std::string source = Bytes("x");
        stepsSeen = 0;
        EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
        EXPECT_EQ(stepsSeen, 0) << reason;
        EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 0, 1, 0));
        ASSERT_EQ(run.rows.size(), 1u);
        EXPECT_EQ(run.rows[0], run.folder + "x   <failed: " + reason + ">");
        EXPECT_EQ(Bytes("x"), source);
    }
}

TEST_F(BatchTest, StopInTheMiddleLeavesTheFileInWorkAsItWas)
{
    REQUIRE_SAMPLES();
    for (const char* n : { "a.las", "b.las", "c.las" }) Copy("autzen_trim.las", n);
    std::string source = Bytes("a.las");
    // HCSM then Refine: Stop after the second file's HCSM, seen in Refine's tiles.
    GlobalSurfaceMagicSettings.stepList[1] = STEP_REFINE;
    stepsSeen = 0;
    BoxAnswers yes({ IDYES });
    run.whileRunning = [](HWND dialog) { runningDialog = dialog; };
    SetSurfaceStepObserver(StopOnSecondFile);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    ASSERT_TRUE(ShowedOneBox(yes, kSMBatchStopQuestion));
    EXPECT_EQ(yes.shown()[0].caption, "Stop Vivuzoz Oduri");
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "stopped", 1, 0, 2));
    EXPECT_GT(ClassOnlyDifferences(source, Bytes("a.las")), 1000);
    EXPECT_EQ(Bytes("b.las"), source);
    EXPECT_EQ(Bytes("c.las"), source);
    ASSERT_EQ(run.rows.size(), 2u);
    EXPECT_EQ(run.rows[0], run.folder + "b.las");
}

// From the click on Stop the worker holds at its next checkpoint until the
// question is answered: nothing is written while it is open, and Yes leaves
// the file in work as it was, counted with the one after it as stopped.
TEST_F(BatchTest, StopHoldsTheRunWhileTheQuestionIsOpen)
{
    REQUIRE_SAMPLES();
    for (const char* n : { "a.las", "b.las" }) Copy("autzen_trim.las", n);
    std::string source = Bytes("a.las");
    questionUp = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BoxAnswers yes({ IDYES });
    yes.whileOpen([&](const ShownBox&) {
        SetEvent(questionUp);
        EXPECT_TRUE(PumpUntil([] { return JobPauseTaken(AppJob()) || !IsAppJobBusy(); }, 60000));
        EXPECT_TRUE(JobPauseTaken(AppJob())) << "the run went on while the question was open";
        EXPECT_TRUE(Bytes("a.las") == source && Bytes("b.las") == source) << "written while the question was open";
    });
    stepsSeen = 0;
    SetSurfaceStepObserver(StopOnTheFirstStep);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    CloseHandle(questionUp);
    ASSERT_EQ(yes.shown().size(), 1u);
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "stopped", 0, 0, 2));
    EXPECT_TRUE(Bytes("a.las") == source && Bytes("b.las") == source);
    EXPECT_EQ(run.rows.size(), 2u);
}

// Stop clicked after the last checkpoint: the run ends while the question is
// open, and the answer leaves the dialog idle, with Start on for the failed
// file still listed.
TEST_F(BatchTest, ARunThatEndsWhileStopIsAskedStaysEnded)
{
    REQUIRE_SAMPLES();
    WriteTempFile("bad.las", "LASF");
    run.names.push_back("bad.las");
    Copy("autzen_trim.las", "a.las");
    questionUp = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BoxAnswers no({ IDNO });
    no.whileOpen([&](const ShownBox&) {
        SetEvent(questionUp);
        EXPECT_TRUE(PumpUntil([] { return Logged("[BATCH]"); }, 60000)) << "the run did not end";
    });
    SetLogHook(StopAfterTheLastSave);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    CloseHandle(questionUp);
    ASSERT_EQ(no.shown().size(), 1u);
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 1, 1, 0));
    EXPECT_TRUE(run.startEnabled);
}

TEST_F(BatchTest, PausedThinningBatchRunsOnWhenStopIsDeclined)
{
    REQUIRE_SAMPLES();
    for (const char* n : { "a.las", "b.las" }) Copy("autzen_trim.las", n);
    std::string source = Bytes("a.las");
    BoxAnswers no({ IDNO });
    run.whileRunning = [](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_PAUSE, 0);
        // Paused once the worker waits at a checkpoint outside any lock:
        // Start then reads as Resume, Pause is off.
        EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_START)) != 0; }, 60000));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_PAUSE)));
        EXPECT_EQ(WindowText(dialog, IDC_BATCH_START), kBatchResumeText);
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_STOP, 0);   // answered No: runs on
        EXPECT_EQ(WindowText(dialog, IDC_BATCH_START), kBatchStartText);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_START)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_PAUSE)));
    };
    EXPECT_EQ(ShowDialog(IDD_THINNING_BATCH, FrameWindow, ThinningBatchDlgProc, 0), 1);
    ASSERT_TRUE(ShowedOneBox(no, kThinningBatchStopQuestion));
    EXPECT_EQ(run.notice, Notice("Verudevevur Idudorav", "complete", 2, 0, 0));
    // Key points of the ground get class 8; nothing else changes.
    std::string saved = Bytes("a.las");
    EXPECT_GT(ClassOnlyDifferences(source, saved), 100);
    EXPECT_EQ(saved, Bytes("b.las"));
}

TEST_F(BatchTest, OutputBoxWithoutAFolderStartsNothing)
{
    REQUIRE_SAMPLES();
    Copy("autzen_trim.las", "a.las");
    BoxAnswers boxes;
    SetDialogDriver([](HWND dialog, int templateId) {
        if (templateId != IDD_SM_BATCH) return;
        std::string answer = scenario->folder + "a.las";
        FileDialogAnswers files({ answer });
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_MODE_FILES, 0);   // the dialog opens in project mode
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_ADD, 0);
        CheckDlgButton(dialog, IDC_BATCH_OUTPUT_CHECK, BST_CHECKED);
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_OUTPUT_CHECK, 0);
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);
        EXPECT_FALSE(IsAppJobBusy());
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    ASSERT_TRUE(ShowedOneBox(boxes, kBatchNoOutputFolderText));
}

// A long output folder would wrap into lines its label is too low to show:
// it is cut in the middle to what fits, keeping where it starts and the
// folder picked, and the label's tip holds it whole. A short one shows whole.
namespace {
// The lines of a tip's text joined again; "(too wide)" when one is wider
// than `width` in `font`.
std::string JoinedLines(const std::string& text, HFONT font, int width)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    std::string joined;
    size_t at = 0;
    for (size_t end; at <= text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (ProgramTextExtent(dc, line.c_str()).cx > width) joined = "(too wide)";
        if (joined != "(too wide)") joined += line;
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return joined;
}
}  // namespace

// A long path breaks after its separators where it can, and a name too long
// for one line between its letters, none of the lines wider than asked.
TEST(PathLabel, ALongPathIsWrappedAtItsSeparatorsElseBetweenLetters)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    std::string name(150, 'x');
    std::string path = "D:\\survey\\Земля\\" + name + "\\strips\\";
    std::string lines = WrapPathToWidth(dc, path.c_str(), 300);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(JoinedLines(lines, nullptr, 300), path);
    const std::string firstLine = "D:\\survey\\Земля\\\r\n";
    EXPECT_EQ(lines.compare(0, firstLine.size(), firstLine), 0) << lines;
    EXPECT_GE(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
}

TEST_F(BatchTest, TheOutputFolderShowsItsStartAndEndAndItsTipTheWholePath)
{
    static std::string chosen;
    const std::string longFolder =
        "D:\\Projects\\2024\\LiDAR survey of the river valley\\block 12 north-east\\strips delivered in "
        "May\\classified\\Земля\\tiles_2024_05_block12_north_east_ground_and_vegetation_final_delivery_v3\\";
    struct {
        int id;
        DLGPROC proc;
    } dialogs[] = {{IDD_SM_BATCH, SMBatchDlgProc}, {IDD_THINNING_BATCH, ThinningBatchDlgProc}};
    for (const auto& d : dialogs) {
        for (const std::string& folder : {longFolder, std::string("D:\\out\\")}) {
            chosen = folder;
            std::string shown, tip, tipJoined;
            int shownWidth = 0, room = 0, tipWidth = 0;
            DialogDriver driver([&](HWND dialog, int) {
                SendMessageA(dialog, WM_COMMAND, IDC_BATCH_MODE_FILES, 0);
                CheckDlgButton(dialog, IDC_BATCH_OUTPUT_CHECK, BST_CHECKED);
                SendMessageA(dialog, WM_COMMAND, IDC_BATCH_OUTPUT_CHECK, 0);
                SetFolderDialogHook([](char* path, const char*) {
                    snprintf(path, MAX_PATH, "%s", chosen.c_str());
                    return 1;
                });
                SendMessageA(dialog, WM_COMMAND, IDC_BATCH_SET_DIRECTORY, 0);
                SetFolderDialogHook(nullptr);
                if (chosen == longFolder && d.id == IDD_SM_BATCH) SaveWindowShot(dialog, "batch_output_folder");
                HWND label = GetDlgItem(dialog, IDC_BATCH_OUTPUT_TEXT);
                shown = WindowText(dialog, IDC_BATCH_OUTPUT_TEXT);
                RECT client;
                GetClientRect(label, &client);
                room = client.right - client.left;
                HDC dc = GetDC(label);
                HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(label, WM_GETFONT, 0, 0));
                shownWidth = ProgramTextExtent(dc, shown.c_str()).cx;
                SelectObject(dc, old);
                ReleaseDC(label, dc);
                tip = ControlTipText(dialog, IDC_BATCH_OUTPUT_TEXT);
                // The tip holds the whole path in lines within the screen.
                HWND tipWindow = PathLabelTip(label);
                tipWidth = (int)SendMessageA(tipWindow, TTM_GETMAXTIPWIDTH, 0, 0);
                // Measured while the tip lives: it deletes its font with itself.
                tipJoined = JoinedLines(tip, (HFONT)SendMessageA(tipWindow, WM_GETFONT, 0, 0), tipWidth);
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            });
            EXPECT_EQ(ShowDialog(d.id, FrameWindow, d.proc, 0), 1);
            EXPECT_GT(tipWidth, 0);
            EXPECT_LE(tipWidth, GetSystemMetrics(SM_CXSCREEN));
            EXPECT_EQ(tipJoined, folder) << d.id << "\n" << tip;
            EXPECT_LE(shownWidth, room) << shown;
            if (folder != longFolder) {
                EXPECT_EQ(shown, folder);
                continue;
            }
            size_t dots = shown.find("...");
            ASSERT_NE(dots, std::string::npos) << shown;
            std::string head = shown.substr(0, dots), tail = shown.substr(dots + 3);
            EXPECT_EQ(folder.compare(0, head.size(), head), 0) << shown;
            EXPECT_GE(head.size(), 12u) << shown;   // "D:\Projects\"
            ASSERT_GE(folder.size(), tail.size());
            EXPECT_EQ(folder.substr(folder.size() - tail.size()), tail) << shown;
            EXPECT_GE(tail.size(), std::string("classified\\Земля\\").size()) << shown;
            EXPECT_GT(shownWidth, room - 20) << shown;   // as much as fits
        }
    }
}

// Another job holds the application: Start says so through the one message
// box and leaves the dialog ready; once that job has ended, Start runs.
TEST_F(BatchTest, AStartThatCannotBeginIsShown)
{
    REQUIRE_SAMPLES();
    Copy("autzen_trim.las", "a.las");
    BoxAnswers boxes;
    SetDialogDriver([](HWND dialog, int templateId) {
        if (templateId != IDD_SM_BATCH) return;
        FileDialogAnswers files({ scenario->folder + "a.las" });
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_MODE_FILES, 0);
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_ADD, 0);
        EXPECT_TRUE(BeginJob(AppJob()));
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);
        EndJob(AppJob());
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_START)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_PAUSE)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_STOP)));
        logLines.clear();
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);
        EXPECT_TRUE(PumpUntil([] { return Logged("[BATCH]"); }, 120000)) << "the batch did not end";
        scenario->notice = WindowText(dialog, IDC_BATCH_CURRENT);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kBatchStartFailedFormat, kBatchJobBusyText)));
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 1, 0, 0));
}

// ---- project mode ----------------------------------------------------------------------------

// With every tile taken out of the run there is nothing to start: Start is
// off and, pressed all the same, begins no run.
TEST_F(BatchTest, ProjectModeStartsOnlyWithAMarkedTile)
{
    ASSERT_FALSE(SaveAndFreeProject(MakeRowProject(run.folder, 2), run.folder, "row.lep").empty());
    SetDialogDriver([](HWND dialog, int templateId) {
        if (templateId != IDD_SM_BATCH) return;
        FileDialogAnswers files({ scenario->folder + "row.lep" });
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_OPEN_PROJECT, 0);
        HWND start = GetDlgItem(dialog, IDC_BATCH_START);
        EXPECT_TRUE(IsWindowEnabled(start));
        SendDlgItemMessageA(dialog, IDC_BATCH_LIST, LB_SETSEL, TRUE, -1);
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_REMOVE_TILES, 0);
        EXPECT_TRUE(ListRowsOf(dialog).empty());
        EXPECT_FALSE(IsWindowEnabled(start));
        logLines.clear();
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);
        EXPECT_FALSE(IsAppJobBusy());
        PumpMessages(200);
        EXPECT_FALSE(Logged("[BATCH]"));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_STOP)));
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_RESET, 0);
        EXPECT_TRUE(IsWindowEnabled(start));
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
}

namespace {

struct ProjectRun {
    std::string projectPath;
    std::vector<std::string> rowsAtStart;
    int rowsAfterRemove = -1;
    std::string notice;
    int rowsAtEnd = -1;
    std::vector<std::string> rowsAfterRun;
    int rowsAfterRemovingFailed = -1;
};
ProjectRun* projectRun = nullptr;

void DriveProjectBatch(HWND dialog, int templateId)
{
    if (templateId == IDD_THINNING_SETUP) {
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        return;
    }
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_BATCH_MODE_PROJECT), BST_CHECKED);   // the mode at opening
    {
        FileDialogAnswers files({projectRun->projectPath});
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_OPEN_PROJECT, 0);
    }
    projectRun->rowsAtStart = ListRowsOf(dialog);
    // The last tile leaves the run, then Reset brings it back and it leaves again.
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    SendMessageA(dialog, WM_COMMAND, IDC_BATCH_REMOVE_TILES, 0);
    SendMessageA(dialog, WM_COMMAND, IDC_BATCH_RESET, 0);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    SendMessageA(dialog, WM_COMMAND, IDC_BATCH_REMOVE_TILES, 0);
    projectRun->rowsAfterRemove = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    logLines.clear();
    SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);
    EXPECT_TRUE(PumpUntil([] { return Logged("[BATCH]"); }, 120000)) << "the batch did not end";
    projectRun->notice = WindowText(dialog, IDC_BATCH_CURRENT);
    // A tile that failed is listed with its reason and can still leave the run.
    projectRun->rowsAfterRun = ListRowsOf(dialog);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, 1);
    SendMessageA(dialog, WM_COMMAND, IDC_BATCH_REMOVE_TILES, 0);
    projectRun->rowsAfterRemovingFailed = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST_F(BatchTest, ProjectTilesAreThinnedWithTheirNeighboursUnderTheirOwnLocks)
{
    REQUIRE_SAMPLES();
    DataSet* survey = LoadLASData(SamplePath("autzen_trim.las").c_str(), "autzen_trim.las");
    ASSERT_NE(survey, nullptr);
    ASSERT_FALSE(CutIntoTiles(survey, run.folder, "t", 3, 1).empty());
    FreeDataSet(survey);
    Project* p = NewProject();
    for (const char* name : {"t_00.las", "t_01.las", "t_02.las"}) AddProjectTile(p, TileFromLASHeader((run.folder + name).c_str()));
    p->bufferSize = 0;   // the batch sets its own overlap
    ASSERT_FALSE(SaveAndFreeProject(p, run.folder, "block.lep").empty());
    // Someone else has the second tile.
    WriteTempFile("t_01.loc", "SURVEYPC\\ann\r\n");
    std::string before0 = Bytes("t_00.las"), before1 = Bytes("t_01.las"), before2 = Bytes("t_02.las");

    ProjectRun outcome;
    outcome.projectPath = run.folder + "block.lep";
    projectRun = &outcome;
    SetDialogDriver(DriveProjectBatch);
    SendMessageA(FrameWindow, WM_COMMAND, CMD_THINNING_BATCH, 0);
    projectRun = nullptr;

    EXPECT_EQ(outcome.rowsAtStart, (std::vector<std::string>{"t_00.las", "t_01.las", "t_02.las"}));
    EXPECT_EQ(outcome.rowsAfterRemove, 2);
    EXPECT_EQ(outcome.notice, Notice("Verudevevur Idudorav", "complete", 1, 1, 0));
    ASSERT_EQ(outcome.rowsAfterRun.size(), 2u);
    EXPECT_EQ(outcome.rowsAfterRun[1].rfind("t_01.las   <failed: Locked:", 0), 0u) << outcome.rowsAfterRun[1];
    EXPECT_EQ(outcome.rowsAfterRemovingFailed, 1);
    // Only the tile's own points were written: same size, only class bytes changed.
    std::string after0 = Bytes("t_00.las");
    EXPECT_GT(ClassOnlyDifferences(before0, after0), 0);
    EXPECT_EQ(Bytes("t_01.las"), before1);   // locked by someone else: untouched
    EXPECT_EQ(Bytes("t_02.las"), before2);   // not marked
    EXPECT_EQ(ReadTileLockOwner((run.folder + "t_00.las").c_str()), nullptr);   // our lock is gone again
    EXPECT_NE(ReadTileLockOwner((run.folder + "t_01.las").c_str()), nullptr);   // theirs stays
    std::string expected = Formatted(kBatchTileLockedFormat, "SURVEYPC\\ann");
    ASSERT_EQ(LastBatchFailureCount(), 1);
    EXPECT_EQ(std::string(LastBatchFailure(0)->reason), expected);
}
