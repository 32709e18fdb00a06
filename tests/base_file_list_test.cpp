#include "test_support.h"
#include "base/file_list.h"
#include "base/heap.h"

#include <cstring>
#include <string>

namespace {

// The file buffer of a multi-selection: folder, names, an empty name.
std::string MultiBuffer(const char* folder, std::initializer_list<const char*> names)
{
    std::string b = folder;
    b.push_back('\0');
    for (const char* n : names) {
        b += n;
        b.push_back('\0');
    }
    b.push_back('\0');
    return b;
}

int AddMulti(FileList* list, const std::string& buffer)
{
    return AddOpenDialogSelection(list, buffer.data(), buffer.size(), "");
}

}  // namespace

TEST(FoundFileList, SingleSelectionIsAddedOnce)
{
    FileList list = { 0, nullptr };
    const char path[] = "D:\\data\\a.las";
    EXPECT_EQ(AddOpenDialogSelection(&list, path, sizeof(path), "a.las"), 1);
    EXPECT_EQ(AddOpenDialogSelection(&list, path, sizeof(path), "a.las"), 1);
    EXPECT_STREQ(list.entries[0]->path, path);
    EXPECT_STREQ(list.entries[0]->title, "a.las");
    EXPECT_EQ(list.entries[0]->kind, 0);
    EXPECT_EQ(list.entries[0]->extent, nullptr);
    EXPECT_EQ(FileListContains(&list, "D:\\data\\a.las"), 1);
    EXPECT_EQ(FileListContains(&list, "D:\\DATA\\a.las"), 0);  // case counts
    ClearFileList(&list);
}

TEST(FoundFileList, MultiSelectionSkipsListedFilesAndKeepsOrder)
{
    FileList list = { 0, nullptr };
    AddFileListEntry(&list, "D:\\data\\b.las", "b.las");
    EXPECT_EQ(AddMulti(&list, MultiBuffer("D:\\data", { "c.las", "b.las", "a.las" })), 3);
    EXPECT_STREQ(list.entries[1]->path, "D:\\data\\c.las");
    EXPECT_STREQ(list.entries[1]->title, "c.las");
    EXPECT_STREQ(list.entries[2]->path, "D:\\data\\a.las");
    ClearFileList(&list);

    // A drive root comes back with its separator: no second one.
    EXPECT_EQ(AddMulti(&list, MultiBuffer("D:\\", { "x.las", "y.las" })), 2);
    EXPECT_STREQ(list.entries[0]->path, "D:\\x.las");
    ClearFileList(&list);
}

TEST(FoundFileList, MalformedOrLongSelectionsNeverOverrun)
{
    FileList list = { 0, nullptr };
    // A name that runs to the end of the buffer without its terminator.
    std::string b = MultiBuffer("D:\\data", { "a.las" });
    b.resize(b.size() - 1);
    b += "tail";
    EXPECT_EQ(AddOpenDialogSelection(&list, b.data(), b.size(), ""), 1);
    // No terminator at all.
    std::string raw(64, 'x');
    EXPECT_EQ(AddOpenDialogSelection(&list, raw.data(), raw.size(), ""), 1);
    // Folder plus name beyond 255 characters: that name is skipped, the rest added.
    std::string folder = "D:\\" + std::string(240, 'f');
    EXPECT_EQ(AddMulti(&list, MultiBuffer(folder.c_str(), { "a_rather_long_name.las", "s.las" })), 2);
    EXPECT_EQ(list.entries[1]->path, folder + "\\s.las");
    std::string longPath = "D:\\" + std::string(300, 'p');
    EXPECT_EQ(AddFileListEntry(&list, longPath.c_str(), "p"), 2);
    ClearFileList(&list);
}

TEST(FoundFileList, RemoveEntries)
{
    FileList list = { 0, nullptr };
    AddFileListEntry(&list, "only", "only");
    EXPECT_EQ(RemoveFileListEntry(&list, 5), 0);  // the last entry goes whatever the index
    EXPECT_EQ(list.entries, nullptr);

    for (const char* p : { "p0", "p1", "p2" }) AddFileListEntry(&list, p, p);
    EXPECT_EQ(RemoveFileListEntry(&list, 0), 2);
    EXPECT_STREQ(list.entries[0]->path, "p1");
    EXPECT_STREQ(list.entries[1]->path, "p2");
    EXPECT_EQ(RemoveFileListEntry(&list, 7), 2);  // outside the list: nothing happens
    ClearFileList(&list);

    for (const char* p : { "q0", "q1", "q2", "q3" }) AddFileListEntry(&list, p, p);
    const int some[] = { 2, 0, 2 };  // a repeat is removed once
    EXPECT_EQ(RemoveFileListEntries(&list, 3, some), 2);
    EXPECT_STREQ(list.entries[0]->path, "q1");
    EXPECT_STREQ(list.entries[1]->path, "q3");
    const int all[] = { 1, 0 };
    EXPECT_EQ(RemoveFileListEntries(&list, 2, all), 0);
    EXPECT_EQ(list.entries, nullptr);
}

TEST(FoundFileList, ClearAndDelete)
{
    FileList list = { 0, nullptr };
    EXPECT_EQ(ClearFileList(&list), 0);
    EXPECT_EQ(list.entries, nullptr);

    AddFileListEntry(&list, "t.las", "t.las");
    list.entries[0]->extent = NewPolygon(4);  // owned by the entry, freed by the clear
    ClearFileList(&list);
    EXPECT_EQ(list.count, 0);

    FileList* heapList = (FileList*)NBLCalloc(1, sizeof(FileList));
    AddFileListEntry(heapList, "a", "a");
    AddFileListEntry(heapList, "b", "b");
    FileListEntry* taken = heapList->entries[0];
    heapList->entries[0] = nullptr;  // taken over elsewhere: skipped
    DeleteFileList(heapList);
    EXPECT_STREQ(taken->path, "a");
    NBLFree(taken);
    DeleteFileList(nullptr);
}

TEST(FoundFileList, DialogFilterBecomesTerminatedList)
{
    char out[64];
    ASSERT_TRUE(MakeDialogFilter("LAS Files (*.las)|*.las|", out, sizeof(out)));
    EXPECT_STREQ(out, "LAS Files (*.las)");
    EXPECT_STREQ(out + 18, "*.las");
    EXPECT_EQ(out[24], '\0');
    EXPECT_EQ(out[25], '\0');
    EXPECT_FALSE(MakeDialogFilter("LAS Files (*.las)|*.las|", out, 10));
}
