// Shared test helpers: gtest under winelib, answering message boxes and
// driving dialogs, the sample-data folder and temporary files.
#pragma once
#pragma push_macro("_WIN32")
#pragma push_macro("_WIN64")
#pragma push_macro("WIN32")
#undef _WIN32
#undef _WIN64
#undef WIN32
#include <gtest/gtest.h>
#pragma pop_macro("WIN32")
#pragma pop_macro("_WIN64")
#pragma pop_macro("_WIN32")
#include <windows.h>
#include <string>
#include <vector>

// One message box as the program showed it.
struct ShownBox {
    std::string text;
    std::string caption;
    unsigned type;
};

// While alive, answers every message box with the queued answers (then with
// `fallback`) and records what was shown.
class BoxAnswers {
public:
    explicit BoxAnswers(std::vector<int> answers = {}, int fallback = IDOK);
    ~BoxAnswers();
    const std::vector<ShownBox>& shown() const;
    void clear();
};

// Sample LiDAR files: "" when the folder is absent (tests then skip).
std::string SampleDir();
std::string SamplePath(const char* name);
#define REQUIRE_SAMPLES()                                                \
    do {                                                                 \
        if (SampleDir().empty()) GTEST_SKIP() << "sample data absent";   \
    } while (0)

// A fresh temporary folder for one test (Win32 path, ends in a backslash).
std::string TempDir();
std::string TempPath(const char* name);
// With VELKA_SHOT_DIR set, writes what the screen shows of the window there
// as name.bmp, for a look; otherwise does nothing.
void SaveWindowShot(HWND window, const char* name);

// Lets queued and sent messages run for up to `ms` milliseconds.
void PumpMessages(int ms);
