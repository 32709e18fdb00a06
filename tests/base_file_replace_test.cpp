#include "test_support.h"
#include "base/file_replace.h"
#include <string>

namespace {

std::string Contents(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "(none)";
    char buffer[64];
    DWORD n = 0;
    ReadFile(f, buffer, sizeof buffer, &n, nullptr);
    CloseHandle(f);
    return std::string(buffer, n);
}

struct Group {
    std::string written[3], targets[3];
    explicit Group(const char* name)
    {
        for (int k = 0; k < 3; k++) {
            std::string part = std::string(name) + "." + std::to_string(k);
            targets[k] = TempPath(part.c_str());
            written[k] = TempPath((part + "~new").c_str());
            DeleteFileA(targets[k].c_str());
        }
    }
    void Write(const char* text)
    {
        for (int k = 0; k < 3; k++) WriteTempFile((GetPathName(written[k])).c_str(), text + std::to_string(k));
    }
    static std::string GetPathName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }
};

}  // namespace

TEST(FileReplace, AGroupReplacesOldFilesAndTakesTheirPlaceWhenNoneExisted)
{
    Group g("group_new");
    g.Write("first");
    ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    g.Write("second");
    ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(Contents(g.targets[k]), "second" + std::to_string(k));
        EXPECT_EQ(Contents(g.written[k]), "(none)");
        EXPECT_EQ(Contents(g.targets[k] + "~old"), "(none)");
    }
}

// One member that cannot be replaced leaves every old file in place and the
// written ones under their own names: never a mix of old and new.
TEST(FileReplace, OneMemberThatCannotBeReplacedKeepsTheWholeOldGroup)
{
    Group g("group_held");
    g.Write("old");
    ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    for (int readOnly = 0; readOnly < 2; readOnly++) {
        g.Write("new");
        HANDLE held = INVALID_HANDLE_VALUE;
        if (readOnly) ASSERT_TRUE(SetFileAttributesA(g.targets[2].c_str(), FILE_ATTRIBUTE_READONLY));
        else held = CreateFileA(g.targets[2].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 0) << readOnly;
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        SetFileAttributesA(g.targets[2].c_str(), FILE_ATTRIBUTE_NORMAL);
        for (int k = 0; k < 3; k++) {
            EXPECT_EQ(Contents(g.targets[k]), "old" + std::to_string(k)) << readOnly << k;
            EXPECT_EQ(Contents(g.written[k]), "new" + std::to_string(k)) << readOnly << k;
            EXPECT_EQ(Contents(g.targets[k] + "~old"), "(none)") << readOnly << k;
        }
    }
}
