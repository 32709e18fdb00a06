// The multi-select open dialogs, driven through the system dialog itself:
// a timer on the test thread types the names and confirms.
#include "test_support.h"
#include "base/file_list_dialogs.h"
#include "base/file_list.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <string>

namespace {

const char kTitle[] = "Pick LAS Files";
std::string typedNames;
bool confirmed;
int ticksSinceConfirm;

void CALLBACK TypeNames(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindOwnWindow(kTitle);
    if (!dialog) return;
    if (confirmed) {
        // Still up long after OK: the names were refused. Cancel rather than hang.
        if (++ticksSinceConfirm > 30) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)typedNames.c_str());
    SendMessageA(dialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)typedNames.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    confirmed = true;
}

void Touch(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
}

int PickWithDialog(FileList* list, const std::string& names)
{
    typedNames = names;
    confirmed = false;
    ticksSinceConfirm = 0;
    RealFileDialogs real;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, TypeNames);
    int count = OpenLASFilesDialog(nullptr, list, kTitle);
    KillTimer(nullptr, timer);
    return count;
}

}  // namespace

TEST(FoundOpenDialog, PicksOneOrSeveralFilesAndRemembersTheFolder)
{
    std::string dir = TempDir();
    for (const char* n : { "a.las", "b.las", "c.las" }) Touch(dir + n);
    std::strcpy(lastOpenFolder, dir.c_str());

    FileList list = { 0, nullptr };
    ASSERT_EQ(PickWithDialog(&list, "b.las"), 1);
    EXPECT_STREQ(list.entries[0]->title, "b.las");
    EXPECT_EQ(std::string(list.entries[0]->path), dir + "b.las");

    // Three picked, one of them listed already: two added, in dialog order.
    ASSERT_EQ(PickWithDialog(&list, "\"c.las\" \"b.las\" \"a.las\""), 3);
    EXPECT_EQ(std::string(list.entries[1]->path), dir + "c.las");
    EXPECT_STREQ(list.entries[2]->title, "a.las");
    std::string remembered = lastOpenFolder;
    EXPECT_EQ(remembered + "\\", dir);
    ClearFileList(&list);
}

#include "app/class_table.h"

namespace {

const char* dialogTitle;
std::string dialogName;
int dialogTicks;

void CALLBACK AnswerFileDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindOwnWindow(dialogTitle);
    if (!dialog) return;
    if (dialogTicks++ == 0) {
        SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)dialogName.c_str());
        SendMessageA(dialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)dialogName.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    } else if (dialogTicks > 30) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

int WithFileDialog(const char* title, const std::string& name, int (*run)(ClassTable*, HWND), ClassTable* table)
{
    dialogTitle = title;
    dialogName = name;
    dialogTicks = 0;
    RealFileDialogs real;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, AnswerFileDialog);
    int result = run(table, nullptr);
    KillTimer(nullptr, timer);
    return result;
}

}  // namespace

TEST(FoundOpenDialog, ClassListSavedUnderTxtNameGetsCsv)
{
    BoxAnswers answers;
    std::string dir = TempDir();
    ClassTable table;
    SetDefaultClassTable(&table);
    ASSERT_EQ(WithFileDialog("Save Class List", dir + "mine.txt", SaveClassListFile, &table), 1);
    EXPECT_EQ(std::string(table.path), dir + "mine.csv");
    EXPECT_STREQ(table.title, "mine.csv");
    EXPECT_NE(GetFileAttributesA((dir + "mine.csv").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((dir + "mine.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    ClassTable loaded;
    InitClassTable(&loaded);
    ASSERT_EQ(WithFileDialog("Load Class List", dir + "mine.csv", LoadClassListFile, &loaded), 1);
    EXPECT_EQ(loaded.count, 256);
    EXPECT_STREQ(loaded.title, "mine.csv");
    EXPECT_TRUE(answers.shown().empty());
}
