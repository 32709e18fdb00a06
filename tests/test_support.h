// Shared test helpers: gtest under winelib, answering message boxes and
// driving dialogs, the sample-data folder and temporary files.
#pragma once
#include "gtest_winelib.h"
#include "base/text.h"   // Formatted fills in the product's own texts
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One message box as the program showed it.
struct ShownBox {
    std::string text;
    std::string caption;
    unsigned type;
    HWND owner;
};

// While alive, answers every message box with the queued answers (then with
// `fallback`) and records what was shown.
class BoxAnswers {
public:
    explicit BoxAnswers(std::vector<int> answers = {}, int fallback = IDOK);
    ~BoxAnswers();
    const std::vector<ShownBox>& shown() const;
    void clear();
    // Runs before each box is answered, as the user's time to think: the
    // program waits in the box meanwhile. A box shown from inside it is
    // answered at once.
    void whileOpen(std::function<void(const ShownBox& box)> think);
};
// Passes when exactly one box was shown and its text is `text`.
testing::AssertionResult ShowedOneBox(const BoxAnswers& boxes, const std::string& text);

// While alive, answers every open/save file dialog from a queue: each answer
// is the file buffer to return (a path, or a folder and names separated by
// '|' for a multi-selection); an empty answer cancels, and one longer than
// the dialog's buffer fails as the system's dialog fails it. Records the captions.
class FileDialogAnswers {
public:
    explicit FileDialogAnswers(std::vector<std::string> answers);
    ~FileDialogAnswers();
    int calls() const;
    const std::vector<std::string>& captions() const;
    const std::vector<HWND>& owners() const;
};

// While alive, runs `drive` on every modal dialog the program shows once it
// is up (see SetDialogDriver); `drive` must end the dialog.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND dialog, int templateId)> drive);
    ~DialogDriver();
};

// While alive, open and save file dialogs are the system's own, for a test
// that drives the real dialog (FindOwnWindow finds it by its title).
class RealFileDialogs {
public:
    RealFileDialogs();
    ~RealFileDialogs();
};

// A top-level window of this thread with the title, else null. Tests run
// side by side on one desktop, so FindWindow could find another test's window.
HWND FindOwnWindow(const char* title);

// Installed once by the test entry point: a message box, dialog or file dialog
// that no test answers fails the test at once and is cancelled; a test that
// runs longer than VELKA_TEST_LIMIT_S seconds (default 75) ends the process
// with the test's name and the windows left open, before CTest's timeout.
void InstallTestGuards();

// The rows of a report list view: the texts of its first two columns.
std::vector<std::pair<std::string, std::string>> ListRows(HWND list);
// The clipboard's text ("" when it holds none).
std::string ClipboardText();
// The lines written to the message line while KeepLog is the log hook
// (SetLogHook(KeepLog)); each test clears them itself.
std::vector<std::string>& KeptLog();
void KeepLog(const char* text);
// With VELKA_SHOT_DIR set, saves what the window shows as <dir><name>.bmp,
// for a look; does nothing otherwise.
void SaveWindowShot(HWND window, const char* name);
// Saves the whole screen as a 24-bit .bmp (name with its extension) when VELKA_SHOT_DIR names a folder.
void SaveScreenShot(const char* name);

// The shared sample LiDAR files, ../shared/data/lidar/ beside the checkout
// (or one level higher): "" when the folder is absent.
std::string SampleDir();
std::string SamplePath(const char* name);
// A shared sample that must be there: a missing one fails the test.
std::string NeedSample(const char* name);
// True when a missing sample folder must fail the tests that need it rather
// than skip them: the environment variable VELKA_REQUIRE_SAMPLES=1 (CI sets it).
bool SamplesRequired();
#define REQUIRE_SAMPLES()                                                                      \
    do {                                                                                       \
        if (SampleDir().empty()) {                                                             \
            if (SamplesRequired()) FAIL() << "sample data absent: ../shared/data/lidar/";     \
            GTEST_SKIP() << "sample data absent";                                              \
        }                                                                                      \
    } while (0)

// While alive, the system's own code page (base/code_pages) is taken to be
// `codePage`, whatever this machine's locale says.
struct SystemCodePageIs {
    explicit SystemCodePageIs(unsigned codePage);
    ~SystemCodePageIs();
};
// While alive, the program's code page is taken to be `codePage`, as where
// Windows ignores the manifest (the tests' process speaks UTF-8).
struct ProgramCodePageIs {
    explicit ProgramCodePageIs(unsigned codePage);
    ~ProgramCodePageIs();
};
// "Данные" and "Česká" in UTF-8, and as a Russian and a Czech system stored them.
constexpr char kRussianUTF8[] = "\xd0\x94\xd0\xb0\xd0\xbd\xd0\xbd\xd1\x8b\xd0\xb5";
constexpr char kRussian1251[] = "\xc4\xe0\xed\xed\xfb\xe5";
constexpr char kCzechUTF8[] = "\xc4\x8c" "esk\xc3\xa1";
constexpr char kCzech1250[] = "\xc8" "esk\xe1";
// "Репер 1" in UTF-8, and "Été" in UTF-8 and in 1252: texts a program
// speaking 1252 shows as "????? 1" and as its own letters.
constexpr char kBenchmarkUTF8[] = "\xd0\xa0\xd0\xb5\xd0\xbf\xd0\xb5\xd1\x80 1";
constexpr char kEteUTF8[] = "\xc3\x89t\xc3\xa9";
constexpr char kEte1252[] = "\xc9t\xe9";
// The warning of a load that read `count` texts with letters the program's
// code page lacks.
std::string UnshownLettersWarning(unsigned count);

// Runs `work` at once on a CreateThread worker, with `worker`, and on this
// (the window) thread, with `here`, and waits for the worker; false when no
// worker could be started.
bool RunOnWorkerAndHere(LPTHREAD_START_ROUTINE work, void* worker, void* here);

// The text of tool `id` of `window` in tooltip `tip`, read by the W message
// (the A one gives 80 bytes at most), as UTF-8.
std::string ToolTipText(HWND tip, HWND window, UINT_PTR id);

// Dates the last write of the file at `path` `minutes` ago, as a file a save
// left that long ago.
void MakeOld(const std::string& path, uint64_t minutes);

// A fresh temporary folder for one test (Win32 path, ends in a backslash).
std::string TempDir();
std::string TempPath(const char* name);
// The names of the files (not folders) in `folder` (ends in a backslash)
// that match `pattern`.
std::vector<std::string> FolderFiles(const std::string& folder, const std::string& pattern = "*");
// The names of this program's temporary files left in `folder`.
std::vector<std::string> TempFilesLeft(const std::string& folder = TempDir());
// A folder made under TempDir() whose path, its backslash included, is
// `bytes` long: `letter` repeated (a few "x" make up the count), in parts of
// at most 100 letters and 240 bytes, as a Unix file system under Wine takes them.
std::string MakeFolderOfBytes(size_t bytes, const std::string& letter);
// A folder made under TempDir() whose path, without its final backslash, is
// `units` UTF-16 units long, the length Windows shows for it: `letter` (one
// unit of 1 to 3 bytes, or two of 4 bytes) repeated, a "d" making up a unit
// it cannot fill, in parts of at most 80 units, within the 255 bytes a Unix
// file system takes for a name.
std::string MakeFolderOfUnits(size_t units, const std::string& letter);
// Copies `from` into a writable file `name` of the temporary folder; its path.
std::string CopyToTemp(const std::string& from, const char* name);
// Writes `bytes` into a new file of the temporary folder; its path.
std::string WriteTempFile(const char* name, const std::string& bytes);

// Lets queued and sent messages run for up to `ms` milliseconds.
void PumpMessages(int ms);
// Answers the common colour dialog with `colour` through its red, green and
// blue fields, then OK.
void AnswerColourDialog(HWND dialog, COLORREF colour);
// Calls `done` until it returns true (true) or `ms` milliseconds have passed
// (false), yielding between calls. A deadline, never a measurement.
bool WaitUntil(const std::function<bool()>& done, int ms);
// Waits (at most ms) until a file written now beside `path` gets a later
// write time than `path` has, so that a save can tell its write from the last.
bool WaitForLaterWriteTime(const std::string& path, int ms);
// Dispatches this thread's messages (a worker sends to a dialog of this
// thread) until `done` (true) or the deadline (false).
bool PumpUntil(const std::function<bool()>& done, int ms);

// A lock marker's process line for `id` started at `start`, in this
// program's own form.
std::string ProcessLockLine(unsigned long id, unsigned long long start);

// Another running process of this user (a suspended command prompt, ended when
// this goes), for lock markers held by another copy of the program.
struct OtherProcess {
    PROCESS_INFORMATION info = {};
    OtherProcess();
    ~OtherProcess();
    // Its marker lines: "computer\user" then "process <id> <start time>".
    std::string MarkerText() const;
    void End();
};
