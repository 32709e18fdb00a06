#include "test_support.h"
#include "shell/record_parts.h"
#include "base/file_dialog.h"
#include "base/messages.h"
#include "data/las_lock.h"
#include "base/code_pages.h"
#include "base/stored_text.h"
#include "base/file_replace.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cstdio>

static std::vector<ShownBox> shownBoxes;
static std::vector<int> queuedAnswers;
static int fallbackAnswer = IDOK;

static std::function<void(const ShownBox&)> thinkingTime;

static int AnswerBox(HWND owner, const char* text, const char* caption, UINT type)
{
    shownBoxes.push_back({text ? text : "", caption ? caption : "", type, owner});
    int answer = fallbackAnswer;
    if (!queuedAnswers.empty()) {
        answer = queuedAnswers.front();
        queuedAnswers.erase(queuedAnswers.begin());
    }
    // The answers stay in the order the boxes were shown, nested ones included.
    static bool thinking = false;
    if (thinkingTime && !thinking) {
        ShownBox box = shownBoxes.back();
        thinking = true;
        thinkingTime(box);
        thinking = false;
    }
    return answer;
}

BoxAnswers::BoxAnswers(std::vector<int> answers, int fallback)
{
    shownBoxes.clear();
    queuedAnswers = answers;
    fallbackAnswer = fallback;
    thinkingTime = nullptr;
    SetMessageBoxHook(AnswerBox);
}

BoxAnswers::~BoxAnswers()
{
    SetMessageBoxHook(nullptr);
    thinkingTime = nullptr;
}
void BoxAnswers::whileOpen(std::function<void(const ShownBox&)> think) { thinkingTime = think; }
const std::vector<ShownBox>& BoxAnswers::shown() const { return shownBoxes; }

testing::AssertionResult ShowedOneBox(const BoxAnswers& boxes, const std::string& text)
{
    const std::vector<ShownBox>& shown = boxes.shown();
    if (shown.size() != 1) return testing::AssertionFailure() << shown.size() << " boxes shown, not one";
    if (shown[0].text != text) return testing::AssertionFailure() << "the box said\n" << shown[0].text << "\nnot\n" << text;
    return testing::AssertionSuccess();
}

void BoxAnswers::clear() { shownBoxes.clear(); }

static std::vector<std::string> dialogAnswers;
static std::vector<std::string> dialogCaptions;
static std::vector<HWND> dialogOwners;
static int dialogCalls;

static int AnswerFileDialog(OPENFILENAMEA* ofn, int)
{
    dialogCalls++;
    dialogCaptions.push_back(ofn->lpstrTitle ? ofn->lpstrTitle : "");
    dialogOwners.push_back(ofn->hwndOwner);
    if (dialogAnswers.empty()) return 0;
    std::string answer = dialogAnswers.front();
    dialogAnswers.erase(dialogAnswers.begin());
    // A choice longer than the buffer fails, as in the system's dialog
    // (FNERR_BUFFERTOOSMALL).
    if (answer.empty() || answer.size() >= ofn->nMaxFile) return 0;
    memset(ofn->lpstrFile, 0, ofn->nMaxFile);
    if (answer.find('|') != std::string::npos) {
        // Folder and names: '|' becomes the terminator between them.
        for (char& c : answer)
            if (c == '|') c = 0;
        memcpy(ofn->lpstrFile, answer.data(), answer.size());
        if (ofn->lpstrFileTitle) ofn->lpstrFileTitle[0] = 0;
    } else {
        snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", answer.c_str());
        const char* name = strrchr(answer.c_str(), '\\');
        if (ofn->lpstrFileTitle)
            snprintf(ofn->lpstrFileTitle, ofn->nMaxFileTitle, "%s", name ? name + 1 : answer.c_str());
    }
    return 1;
}

FileDialogAnswers::FileDialogAnswers(std::vector<std::string> answers)
{
    dialogAnswers = answers;
    dialogCaptions.clear();
    dialogOwners.clear();
    dialogCalls = 0;
    SetFileDialogHook(AnswerFileDialog);
}

FileDialogAnswers::~FileDialogAnswers() { SetFileDialogHook(nullptr); }
int FileDialogAnswers::calls() const { return dialogCalls; }
const std::vector<std::string>& FileDialogAnswers::captions() const { return dialogCaptions; }
const std::vector<HWND>& FileDialogAnswers::owners() const { return dialogOwners; }

static int RealFileDialog(OPENFILENAMEA* ofn, int save)
{
    return (save ? GetSaveFileNameA(ofn) : GetOpenFileNameA(ofn)) ? 1 : 0;
}

RealFileDialogs::RealFileDialogs() { SetFileDialogHook(RealFileDialog); }
RealFileDialogs::~RealFileDialogs() { SetFileDialogHook(nullptr); }

struct TitleSearch {
    const char* title;
    HWND found;
};

static BOOL CALLBACK MatchTitle(HWND window, LPARAM p)
{
    TitleSearch* search = (TitleSearch*)p;
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    if (strcmp(text, search->title) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindOwnWindow(const char* title)
{
    TitleSearch search = {title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchTitle, (LPARAM)&search);
    return search.found;
}

// ---- guards against a test that waits for ever --------------------------------

static void FailUnanswered(const char* kind, const char* text)
{
    ADD_FAILURE() << "a " << kind << " that the test does not answer was shown and cancelled: " << text;
}

static volatile LONG runningSince;   // GetTickCount() at the start of the running test, 0 between tests
static char runningName[512];

class TestClock : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& info) override
    {
        snprintf(runningName, sizeof runningName, "%s.%s", info.test_suite_name(), info.name());
        InterlockedExchange(&runningSince, (LONG)(GetTickCount() | 1));
    }
    void OnTestEnd(const testing::TestInfo&) override { InterlockedExchange(&runningSince, 0); }
};

static DWORD CurrentProcessIdOf(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

static BOOL CALLBACK ReportWindow(HWND window, LPARAM)
{
    if (CurrentProcessIdOf(window) != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char text[256] = "", cls[64] = "";
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, cls, sizeof cls);
    fprintf(stderr, "  window \"%s\" (class %s)\n", text, cls);
    return TRUE;
}

static DWORD WINAPI Watchdog(void*)
{
    const char* limitText = getenv("VELKA_TEST_LIMIT_S");
    DWORD limit = (limitText && atoi(limitText) > 0 ? (DWORD)atoi(limitText) : 75) * 1000;
    for (;;) {
        Sleep(500);
        DWORD since = (DWORD)runningSince;
        if (!since || GetTickCount() - since < limit) continue;
        fprintf(stderr, "FATAL: %s still running after %lu s; the visible windows of this process:\n", runningName,
                (unsigned long)(limit / 1000));
        EnumWindows(ReportWindow, 0);
        fflush(stderr);
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

void InstallTestGuards()
{
    SetUnansweredModalHandler(FailUnanswered);
    // Tests make records without starting the shell: their layers come as in the program.
    InstallViewRecordParts();
    testing::UnitTest::GetInstance()->listeners().Append(new TestClock);
    HANDLE thread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
}

std::string SampleDir()
{
    static std::string dir = [] {
        const char* candidates[] = {"..\\shared\\data\\lidar\\", "..\\..\\shared\\data\\lidar\\"};
        for (const char* c : candidates) {
            char full[MAX_PATH];
            if (!GetFullPathNameA(c, MAX_PATH, full, nullptr)) continue;
            DWORD a = GetFileAttributesA(full);
            if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return std::string(full);
        }
        return std::string();
    }();
    return dir;
}

std::string SamplePath(const char* name) { return SampleDir() + name; }

std::string NeedSample(const char* name)
{
    std::string path = SamplePath(name);
    EXPECT_FALSE(SampleDir().empty()) << "shared sample folder missing";
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    return path;
}

bool SamplesRequired()
{
    const char* v = getenv("VELKA_REQUIRE_SAMPLES");
    return v && strcmp(v, "0") != 0 && v[0];
}

bool RunOnWorkerAndHere(LPTHREAD_START_ROUTINE work, void* worker, void* here)
{
    HANDLE thread = CreateThread(nullptr, 0, work, worker, 0, nullptr);
    if (!thread) return false;
    work(here);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}

std::vector<std::string> FolderFiles(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::vector<std::string> TempFilesLeft(const std::string& folder)
{
    return FolderFiles(folder, std::string(kTempFilePrefix) + "*");
}

// Deletes a folder with everything below it.
static void RemoveFolderTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolderTree(path + "\\");
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string TempDir()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = Formatted("%svelka_%lu_%s_%s\\", base, (unsigned long)GetCurrentProcessId(),
                                info ? info->test_suite_name() : "x", info ? info->name() : "y");
    // Wine gives process ids again soon: a folder left by an earlier run of
    // the same test under the same id is emptied once, when the test first asks.
    static const testing::TestInfo* emptiedFor;
    if (info != emptiedFor) {
        emptiedFor = info;
        RemoveFolderTree(dir);
    }
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string TempPath(const char* name) { return TempDir() + name; }

std::string MakeFolderOfBytes(size_t bytes, const std::string& letter)
{
    std::string folder = TempDir();
    while (folder.size() + 1 < bytes) {
        size_t left = bytes - folder.size() - 1;   // the part, less its backslash
        // A name of more than 255 bytes is refused: 80 letters of 3 bytes at most.
        size_t most = std::min<size_t>(100, 240 / letter.size());
        size_t letters = std::min<size_t>(most, left / letter.size());
        std::string part;
        for (size_t n = 0; n < letters; n++) part += letter;
        if (letters < most) part += std::string(left - part.size(), 'x');
        folder += part + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

std::string MakeFolderOfUnits(size_t units, const std::string& letter)
{
    std::string folder = TempDir();
    size_t have = (size_t)MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, nullptr, 0) - 2;   // less "\\" and the end
    size_t per = (size_t)MultiByteToWideChar(CP_UTF8, 0, letter.c_str(), -1, nullptr, 0) - 1;   // 2 outside the BMP
    EXPECT_NE(units, have + 1) << "no part of no letter";
    while (have < units) {
        size_t left = units - have - 1;   // the part's units, less its backslash
        size_t take = std::min<size_t>(80, left);
        if (left - take == 1) take--;   // the last part needs a letter
        std::string part;
        for (size_t n = 0; n < take / per; n++) part += letter;
        part.append(take % per, 'd');   // a unit the letter cannot fill
        folder += part + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        have += 1 + take;
    }
    return folder;
}

std::string CopyToTemp(const std::string& from, const char* name)
{
    std::string to = TempPath(name);
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from;
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);   // the shared samples are read-only
    return to;
}

std::string WriteTempFile(const char* name, const std::string& bytes)
{
    std::string path = TempPath(name);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (f != INVALID_HANDLE_VALUE) {
        WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
        CloseHandle(f);
    }
    return path;
}

void PumpMessages(int ms)
{
    DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if ((int)(GetTickCount() - start) >= ms) return;
        Sleep(1);
    }
}

bool WaitUntil(const std::function<bool()>& done, int ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if ((int)(GetTickCount() - start) > ms) return false;
        Sleep(1);
    }
}

static uint64_t WriteTimeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return ((uint64_t)data.ftLastWriteTime.dwHighDateTime << 32) | data.ftLastWriteTime.dwLowDateTime;
}

bool WaitForLaterWriteTime(const std::string& path, int ms)
{
    uint64_t last = WriteTimeOf(path);
    std::string probe = path + ".time";
    bool later = WaitUntil([&] {
        HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        WriteFile(file, "t", 1, &written, nullptr);
        CloseHandle(file);
        return WriteTimeOf(probe) > last;
    }, ms);
    DeleteFileA(probe.c_str());
    return later;
}

static std::function<void(HWND, int)> dialogDrive;
static void DriveDialog(HWND dialog, int templateId)
{
    if (dialogDrive) dialogDrive(dialog, templateId);
}

DialogDriver::DialogDriver(std::function<void(HWND, int)> drive)
{
    dialogDrive = drive;
    SetDialogDriver(DriveDialog);
}

DialogDriver::~DialogDriver()
{
    SetDialogDriver(nullptr);
    dialogDrive = nullptr;
}

std::vector<std::pair<std::string, std::string>> ListRows(HWND list)
{
    std::vector<std::pair<std::string, std::string>> rows;
    int n = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char a[512] = "", b[512] = "";
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = a;
        item.cchTextMax = sizeof a;
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        item.iSubItem = 1;
        item.pszText = b;
        item.cchTextMax = sizeof b;
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        rows.push_back({a, b});
    }
    return rows;
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        const char* p = (const char*)GlobalLock(data);
        if (p) text = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Saves a rectangle of the screen as a 24-bit .bmp.
static void SaveScreenRect(const RECT& r, const std::string& path)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD rowBytes = ((DWORD)w * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof(BITMAPINFOHEADER);
    fh.bfSize = fh.bfOffBits + rowBytes * h;
    if (FILE* f = fopen(path.c_str(), "wb")) {
        fwrite(&fh, sizeof fh, 1, f);
        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
        fwrite(bits, 1, rowBytes * h, f);
        fclose(f);
    }
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

void SaveWindowShot(HWND window, const char* name)
{
    const char* dir = getenv("VELKA_SHOT_DIR");
    if (!dir) return;
    // A modal dialog shows itself once its queue is idle, which a driver may come before.
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpMessages(50);
    RECT r;
    GetWindowRect(window, &r);
    SaveScreenRect(r, std::string(dir) + name + ".bmp");
}

void SaveScreenShot(const char* name)
{
    const char* dir = getenv("VELKA_SHOT_DIR");
    if (!dir) return;
    PumpMessages(200);
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SaveScreenRect(r, std::string(dir) + name);
}

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if ((int)(GetTickCount() - start) > ms) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
    return true;
}

void AnswerColourDialog(HWND dialog, COLORREF colour)
{
    const int fields[3] = {706, 707, 708};  // red, green, blue
    const int values[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    for (int k = 0; k < 3; k++) SetDlgItemInt(dialog, fields[k], values[k], FALSE);
    // The dialog takes a field's value when told it changed; tell it again for
    // all three, so that none is left out whatever it was doing meanwhile
    // (telling it of a value it has already taken changes nothing).
    for (int k = 0; k < 3; k++)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(fields[k], EN_UPDATE), (LPARAM)GetDlgItem(dialog, fields[k]));
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

OtherProcess::OtherProcess()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    char command[] = "cmd.exe /c exit";
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
        ADD_FAILURE() << "cmd.exe could not be started";
}

OtherProcess::~OtherProcess() { End(); }

void OtherProcess::End()
{
    if (!info.hProcess) return;
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    info = {};
}

std::string ProcessLockLine(unsigned long id, unsigned long long start)
{
    // This program's own line with the id and start time replaced: whatever
    // follows them names where ids are counted.
    const char* own = OwnTileLockProcessLine();
    unsigned long ownId;
    unsigned long long ownStart;
    int used = 0;
    sscanf(own, "process %lu %llu%n", &ownId, &ownStart, &used);
    char line[80];
    snprintf(line, sizeof line, "process %lu %llu", id, start);
    return line + std::string(own + used);
}

std::string OtherProcess::MarkerText() const
{
    FILETIME created = {}, exited, kernel, user;
    GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user);
    unsigned long long start = ((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime;
    return std::string(OwnTileLockLine()) + ProcessLockLine(info.dwProcessId, start);
}

std::vector<std::string>& KeptLog()
{
    static std::vector<std::string> lines;
    return lines;
}

void KeepLog(const char* text) { KeptLog().push_back(text); }

SystemCodePageIs::SystemCodePageIs(unsigned codePage) { SetSystemCodePageForTests(codePage); }
SystemCodePageIs::~SystemCodePageIs() { SetSystemCodePageForTests(0); }
ProgramCodePageIs::ProgramCodePageIs(unsigned codePage) { SetProgramCodePageForTests(codePage); }
ProgramCodePageIs::~ProgramCodePageIs() { SetProgramCodePageForTests(0); }

std::string UnshownLettersWarning(unsigned count)
{
    return count == 1 ? kUnshownLetterFormat : Formatted(kUnshownLettersFormat, count);
}

void MakeOld(const std::string& path, uint64_t minutes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    FILETIME now, old;
    GetSystemTimeAsFileTime(&now);
    uint64_t t = (((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime) - minutes * 60 * 10000000ull;
    old.dwLowDateTime = (DWORD)t;
    old.dwHighDateTime = (DWORD)(t >> 32);
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
}

std::string ToolTipText(HWND tip, HWND window, UINT_PTR id)
{
    char16_t text[1024] = {};
    TOOLINFOW info = {};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.uId = id;
    info.lpszText = (WCHAR*)text;
    if (tip) SendMessageW(tip, TTM_GETTEXTW, 1024, (LPARAM)&info);
    return NarrowFrom(text, CP_UTF8);
}
