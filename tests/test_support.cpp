#include "test_support.h"
#include "base/messages.h"
#include <cstdio>

static std::vector<ShownBox> shownBoxes;
static std::vector<int> queuedAnswers;
static int fallbackAnswer = IDOK;

static int AnswerBox(HWND, const char* text, const char* caption, UINT type)
{
    shownBoxes.push_back({text ? text : "", caption ? caption : "", type});
    if (!queuedAnswers.empty()) {
        int a = queuedAnswers.front();
        queuedAnswers.erase(queuedAnswers.begin());
        return a;
    }
    return fallbackAnswer;
}

BoxAnswers::BoxAnswers(std::vector<int> answers, int fallback)
{
    shownBoxes.clear();
    queuedAnswers = answers;
    fallbackAnswer = fallback;
    SetMessageBoxHook(AnswerBox);
}

BoxAnswers::~BoxAnswers() { SetMessageBoxHook(nullptr); }
const std::vector<ShownBox>& BoxAnswers::shown() const { return shownBoxes; }
void BoxAnswers::clear() { shownBoxes.clear(); }

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

std::string TempDir()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    char dir[MAX_PATH];
    snprintf(dir, sizeof dir, "%svelka_%lu_%s_%s\\", base, (unsigned long)GetCurrentProcessId(),
             info ? info->test_suite_name() : "x", info ? info->name() : "y");
    CreateDirectoryA(dir, nullptr);
    return dir;
}

std::string TempPath(const char* name) { return TempDir() + name; }

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
    DWORD end = GetTickCount() + ms;
    MSG msg;
    while ((int)(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}
