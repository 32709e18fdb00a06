// FileList operations: membership, adding, removing and clearing.
#include "base/file_list.h"
#include "base/heap.h"

#include <cstring>

int FileListContains(const FileList* list, const char* path)
{
    if (!list || !list->entries) return 0;
    for (int i = 0; i < list->count; i++)
        if (list->entries[i] && std::strcmp(list->entries[i]->path, path) == 0) return 1;
    return 0;
}

int AddFileListEntry(FileList* list, const char* path, const char* title)
{
    if (std::strlen(path) >= sizeof(FileListEntry::path)) return list->count;
    if (FileListContains(list, path)) return list->count;

    // Room for the new pointer and one more, as the dialogs keep it.
    FileListEntry** grown = list->entries
        ? (FileListEntry**)NBLReCalloc(list->entries, ((uint64_t)list->count + 2) * sizeof(FileListEntry*))
        : (FileListEntry**)NBLCalloc(2, sizeof(FileListEntry*));
    if (!grown) return list->count;
    list->entries = grown;

    FileListEntry* entry = (FileListEntry*)NBLCalloc(1, sizeof(FileListEntry));
    if (!entry) return list->count;
    std::strcpy(entry->path, path);
    size_t titleLen = std::strlen(title);
    if (titleLen >= sizeof(entry->title)) titleLen = sizeof(entry->title) - 1;
    std::memcpy(entry->title, title, titleLen);
    list->entries[list->count] = entry;
    return ++list->count;
}

// Frees the entry at index (not its extent) and closes the gap.
int RemoveFileListEntry(FileList* list, int index)
{
    if (list->count <= 0 || !list->entries) return list->count;
    if (list->count == 1) {
        NBLFree(list->entries[0]);
        NBLFree(list->entries);
        list->entries = nullptr;
        list->count = 0;
        return 0;
    }
    if (index < 0 || index >= list->count) return list->count;
    NBLFree(list->entries[index]);
    for (int i = index; i + 1 < list->count; i++) list->entries[i] = list->entries[i + 1];
    list->count--;
    list->entries[list->count] = nullptr;
    FileListEntry** shrunk =
        (FileListEntry**)NBLReCalloc(list->entries, (uint64_t)list->count * sizeof(FileListEntry*));
    if (shrunk) list->entries = shrunk;  // a failed shrink leaves the larger array, still valid
    return list->count;
}

// Frees the entries at the given indices (not their extents), keeping the
// rest in order. Indices outside the list and repeats are ignored.
int RemoveFileListEntries(FileList* list, int n, const int* indices)
{
    if (list->count <= 0 || !list->entries || n <= 0) return list->count;
    bool* marked = (bool*)NBLCalloc((uint64_t)list->count, sizeof(bool));
    if (!marked) return list->count;
    int removed = 0;
    for (int k = 0; k < n; k++) {
        int i = indices[k];
        if (i >= 0 && i < list->count && !marked[i]) {
            marked[i] = true;
            removed++;
        }
    }
    int remaining = list->count - removed;
    FileListEntry** kept = nullptr;
    if (remaining > 0) {
        kept = (FileListEntry**)NBLCalloc((uint64_t)remaining, sizeof(FileListEntry*));
        if (!kept) {
            NBLFree(marked);
            return list->count;
        }
    }
    int j = 0;
    for (int i = 0; i < list->count; i++) {
        if (marked[i])
            NBLFree(list->entries[i]);
        else
            kept[j++] = list->entries[i];
    }
    NBLFree(marked);
    NBLFree(list->entries);
    list->entries = kept;
    list->count = remaining;
    return remaining;
}

// Empties the list, freeing each entry with its extent polygon and the array;
// the list record itself stays.
int ClearFileList(FileList* list)
{
    if (list->entries) {
        for (int i = 0; i < list->count; i++) {
            if (!list->entries[i]) continue;
            FreePolygon(list->entries[i]->extent);
            NBLFree(list->entries[i]);
        }
        NBLFree(list->entries);
    }
    list->entries = nullptr;
    list->count = 0;
    return 0;
}

// Deletes a heap-allocated list: every entry still held (an entry pointer
// set to null has been taken over elsewhere), the array and the record. The
// entries' extent polygons are not freed.
void DeleteFileList(FileList* list)
{
    if (!list) return;
    if (list->entries) {
        for (int i = 0; i < list->count; i++)
            if (list->entries[i]) NBLFree(list->entries[i]);
        NBLFree(list->entries);
    }
    NBLFree(list);
}

int AddOpenDialogSelection(FileList* list, const char* fileBuffer, size_t bufferChars,
                           const char* nameBuffer)
{
    if (bufferChars == 0) return list->count;
    size_t folderLen = strnlen(fileBuffer, bufferChars);
    if (folderLen == bufferChars) return list->count;  // no terminator: nothing usable

    if (nameBuffer && nameBuffer[0])
        return AddFileListEntry(list, fileBuffer, nameBuffer);

    // Several files: the folder, then each name, then an empty name.
    char folder[sizeof(FileListEntry::path)];
    if (folderLen + 1 >= sizeof(folder)) return list->count;
    std::memcpy(folder, fileBuffer, folderLen + 1);
    if (folderLen > 0 && folder[folderLen - 1] != '\\') {  // a drive root already ends with one
        folder[folderLen++] = '\\';
        folder[folderLen] = '\0';
    }
    size_t pos = strnlen(fileBuffer, bufferChars) + 1;
    while (pos < bufferChars && fileBuffer[pos] != '\0') {
        const char* name = fileBuffer + pos;
        size_t nameLen = strnlen(name, bufferChars - pos);
        if (pos + nameLen >= bufferChars) break;  // unterminated name at the end of the buffer
        char path[sizeof(FileListEntry::path)];
        if (folderLen + nameLen < sizeof(path)) {  // longer paths do not fit an entry: skipped
            std::memcpy(path, folder, folderLen);
            std::memcpy(path + folderLen, name, nameLen + 1);
            AddFileListEntry(list, path, name);
        }
        pos += nameLen + 1;
    }
    return list->count;
}

bool MakeDialogFilter(const char* text, char* out, size_t outChars)
{
    size_t len = std::strlen(text);
    if (len + 2 > outChars) return false;  // the text, its terminator and the list's end
    for (size_t i = 0; i < len; i++) out[i] = text[i] == '|' ? '\0' : text[i];
    out[len] = '\0';
    out[len + 1] = '\0';
    return true;
}
