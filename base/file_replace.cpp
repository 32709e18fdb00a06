#include "base/file_replace.h"
#include "base/paths.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

const char kTempFilePrefix[] = "~velka-temp-";
static const char kJournalExtension[] = ".replace";
static const char kJournalEnd[] = "end";
static const uint64_t kStaleAge = 60ull * 10000000ull;   // one minute in FILETIME units

static int stopAfter = -1;
static void (*atStop)();
void SetReplaceStopAfter(int renames, void (*stopped)())
{
    stopAfter = renames;
    atStop = stopped;
}

static std::string FolderOf(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string TempBaseBeside(const std::string& target)
{
    static LONG counter;
    std::string folder = FolderOf(target);
    FinishInterruptedSaves(folder);
    std::string name = target.substr(folder.size());
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    if (name.size() > 40) name.erase(40);
    char unique[40];
    snprintf(unique, sizeof unique, "-%x-%x-%x", (unsigned)GetCurrentProcessId(), (unsigned)GetTickCount(),
             (unsigned)InterlockedIncrement(&counter));
    std::string base = folder + kTempFilePrefix + name + unique;
    return base.size() + 16 < MAX_PATH ? base : std::string();
}

// --- the journal of a group replace -----------------------------------------------------

// Written and flushed before the first move and held open (for reading only) until
// the last one, so another program's tidying knows a live replace from one
// cut short. Lines: written path, target path, for each file; then "end".
static HANDLE WriteJournal(const std::string* written, const std::string* targets, int count, std::string* path)
{
    std::string base = TempBaseBeside(targets[0]);
    if (base.empty()) return INVALID_HANDLE_VALUE;
    *path = base + kJournalExtension;
    HANDLE h = CreateFileA(path->c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    std::string text;
    for (int k = 0; k < count; k++) text += written[k] + "\n" + targets[k] + "\n";
    text += kJournalEnd;
    text += "\n";
    DWORD put = 0;
    if (!WriteFile(h, text.data(), (DWORD)text.size(), &put, nullptr) || put != text.size() || !FlushFileBuffers(h)) {
        CloseHandle(h);
        DeleteFileA(path->c_str());
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

// The pairs of a complete journal; false for a partial or foreign one.
static bool ReadJournal(HANDLE h, std::vector<std::string>* lines)
{
    char buffer[16384];
    DWORD got = 0;
    if (!ReadFile(h, buffer, sizeof buffer - 1, &got, nullptr)) return false;
    buffer[got] = 0;
    std::string text(buffer, got), line;
    for (char c : text) {
        if (c != '\n') {
            line += c;
            continue;
        }
        lines->push_back(line);
        line.clear();
    }
    if (lines->empty() || lines->back() != kJournalEnd || lines->size() % 2 != 1) return false;
    lines->pop_back();
    return true;
}

// Completes one replace cut short: every written file still there takes its
// target's place, and the set aside old files go. 1 when done.
static int CompleteReplace(const std::vector<std::string>& pairs)
{
    bool ok = true;
    for (size_t k = 0; k + 1 < pairs.size(); k += 2) {
        const std::string &written = pairs[k], &target = pairs[k + 1], aside = target + "~old";
        if (Exists(written)) ok = MoveFileExA(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) && ok;
        // Its new file gone as well: the old one is better than none.
        else if (!Exists(target) && Exists(aside)) ok = MoveFileExA(aside.c_str(), target.c_str(), 0) && ok;
    }
    if (!ok) return 0;
    // An old file goes only once its place is taken.
    for (size_t k = 1; k < pairs.size(); k += 2)
        if (Exists(pairs[k])) DeleteFileA((pairs[k] + "~old").c_str());
    return 1;
}

static std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(folder + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

static uint64_t Age(const FILETIME& written)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t a = ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;
    uint64_t b = ((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime;
    return a > b ? a - b : 0;
}

void FinishInterruptedSaves(const std::string& folder)
{
    std::string prefix = std::string(kTempFilePrefix);
    std::set<std::string> protectedFiles;
    for (const std::string& journal : FilesMatching(folder, prefix + "*" + kJournalExtension)) {
        // Opening it unshared fails while its replace still holds it open.
        HANDLE h = CreateFileA(journal.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            protectedFiles.insert(journal);
            continue;
        }
        std::vector<std::string> pairs;
        bool complete = ReadJournal(h, &pairs);
        CloseHandle(h);
        // A journal cut short itself was written before any move: nothing to do.
        if (!complete || CompleteReplace(pairs)) {
            DeleteFileA(journal.c_str());
        } else {
            protectedFiles.insert(journal);
            for (size_t k = 0; k < pairs.size(); k += 2) protectedFiles.insert(pairs[k]);
        }
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    for (const std::string& file : FilesMatching(folder, prefix + "*")) {
        if (protectedFiles.count(file)) continue;
        if (file.size() > strlen(kJournalExtension) &&
            file.compare(file.size() - strlen(kJournalExtension), std::string::npos, kJournalExtension) == 0)
            continue;
        // A save still writing keeps its file fresh; one killed left it behind.
        if (GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) && Age(data.ftLastWriteTime) > kStaleAge)
            DeleteFileA(file.c_str());
    }
}

// --- group replace ---------------------------------------------------------------------------

int ReplaceFileGroup(const std::string* written, const std::string* targets, int count)
{
    std::vector<std::string> aside(count);
    std::vector<char> kept(count), placed(count);
    bool ok = count > 0;
    for (int k = 0; ok && k < count; k++)
        if (targets[k].empty()) ok = false;
    std::string journalPath;
    HANDLE journal = ok ? WriteJournal(written, targets, count, &journalPath) : INVALID_HANDLE_VALUE;
    if (journal == INVALID_HANDLE_VALUE) return 0;
    int renames = 0;
    auto stopped = [&]() {
        if (stopAfter < 0 || renames++ < stopAfter) return false;
        if (atStop) atStop();
        return true;
    };
    for (int k = 0; ok && k < count; k++) {
        DWORD attributes = GetFileAttributesA(targets[k].c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        aside[k] = targets[k] + "~old";
        if (attributes & FILE_ATTRIBUTE_READONLY) ok = false;
        else if (stopped()) return CloseHandle(journal), 0;
        else ok = (kept[k] = MoveFileExA(targets[k].c_str(), aside[k].c_str(), MOVEFILE_REPLACE_EXISTING) != 0) != 0;
    }
    for (int k = 0; ok && k < count; k++) {
        if (stopped()) return CloseHandle(journal), 0;
        ok = (placed[k] = MoveFileExA(written[k].c_str(), targets[k].c_str(), MOVEFILE_REPLACE_EXISTING) != 0) != 0;
    }
    for (int k = 0; k < count; k++) {
        // A placed file goes back to its written name, so the caller removes it.
        if (!ok && placed[k]) MoveFileExA(targets[k].c_str(), written[k].c_str(), MOVEFILE_REPLACE_EXISTING);
        if (kept[k] && !ok) MoveFileExA(aside[k].c_str(), targets[k].c_str(), MOVEFILE_REPLACE_EXISTING);
        else if (kept[k]) DeleteFileA(aside[k].c_str());
    }
    CloseHandle(journal);
    DeleteFileA(journalPath.c_str());
    return ok ? 1 : 0;
}

// --- single files ----------------------------------------------------------------------------

int OpenReplacing(ReplacingFile* r, const char* target)
{
    r->file = nullptr;
    r->target = target;
    r->temp.clear();
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    std::string base = TempBaseBeside(r->target);
    if (base.empty()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    r->temp = base + ".tmp";
    r->file = VFileCreate(r->temp.c_str());
    if (!r->file) r->temp.clear();
    return r->file != nullptr;
}

int CloseReplacing(ReplacingFile* r, bool ok)
{
    ok = VFileClose(r->file) && ok;
    r->file = nullptr;
    if (r->temp.empty()) return 0;
    // Checked again: the target may have been protected while it was written.
    DWORD attributes = GetFileAttributesA(r->target.c_str());
    if (ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        ok = false;
    }
    if (ok) ok = MoveFileExA(r->temp.c_str(), r->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) {
        DWORD error = GetLastError();
        DeleteFileA(r->temp.c_str());
        SetLastError(error);
    }
    r->temp.clear();
    return ok ? 1 : 0;
}
