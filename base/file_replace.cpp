// Replacing a group of files together through temporary names; finishing saves cut short.
#include "base/file_replace.h"
#include "base/code_pages.h"
#include "base/file_system.h"
#include "base/file_io.h"
#include "base/paths.h"
#include <windows.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const char kTempFilePrefix[] = "~velka-temp-";
static const char kJournalExtension[] = ".replace";
static const char kUndoJournalExtension[] = ".undo.replace";
static const char kJournalEnd[] = "end";
static const uint64_t kStaleAge = 60ull * 10000000ull;   // one minute in FILETIME units
static const uint64_t kUnjudgedStaleAge = 12 * 60 * kStaleAge;

static int stopAfter = -1;
static void (*atStop)();
void SetReplaceStopAfter(int renames, void (*stopped)())
{
    stopAfter = renames;
    atStop = stopped;
}
static void (*beforeUndo)();
void SetReplaceBeforeUndo(void (*hook)()) { beforeUndo = hook; }

static std::string FolderOf(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A temporary name beyond its folder: the prefix, the target's name where it
// fits, "-id-tick-count" (three numbers of up to 8 hexadecimal digits) and an
// extension or suffix of up to kTempSuffixUnits (".undo.replace", "_12.shp").
static const size_t kTempUniqueUnits = 3 * 9;
static const size_t kTempSuffixUnits = 16;
static const size_t kTempNameBytes = 40;   // the most it holds of the target's name
const size_t kLongestTempFolder =
    kWindowsPathUnits - (sizeof kTempFilePrefix - 1) - kTempUniqueUnits - kTempSuffixUnits;

bool TempNamesFitBeside(const std::string& target)
{
    return WindowsPathUnits(FolderOf(target)) <= kLongestTempFolder;
}

// The longest start of `name`, in whole letters, of at most `units` UTF-16
// units and kTempNameBytes bytes.
static std::string NameStart(const std::string& name, size_t units)
{
    std::u16string wide = WideFrom(name, CP_ACP);
    while (!wide.empty()) {
        if (wide.size() <= units) {
            std::string start = NarrowFrom(wide.c_str(), CP_ACP);
            if (start.size() <= kTempNameBytes) return start;
        }
        wide.pop_back();
        // Never half of a letter beyond the 16-bit range.
        if (!wide.empty() && wide.back() >= 0xD800 && wide.back() < 0xDC00) wide.pop_back();
    }
    return std::string();
}

std::string TempBaseBeside(const std::string& target)
{
    static LONG counter;
    std::string folder = FolderOf(target);
    size_t folderUnits = WindowsPathUnits(folder);
    if (folderUnits > kLongestTempFolder) return std::string();
    FinishInterruptedSaves(folder);
    std::string name = target.substr(folder.size());
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    char unique[40];
    snprintf(unique, sizeof unique, "-%x-%x-%x", (unsigned)GetCurrentProcessId(), (unsigned)GetTickCount(),
             (unsigned)InterlockedIncrement(&counter));
    // The target's name tells the user whose file it is, where the folder
    // leaves room for it; the rest is always there.
    size_t room = kWindowsPathUnits - kTempSuffixUnits - folderUnits - (sizeof kTempFilePrefix - 1) - strlen(unique);
    return folder + kTempFilePrefix + NameStart(name, room) + unique;
}

// --- the journal of a group replace -----------------------------------------------------

// Written and flushed before the first move and held open (others may only read)
// until the last one, so another program's tidying knows a live replace from one
// cut short. Lines, for each file: the written name, the target name and the
// name its old file is set aside under (bare names in the journal's folder);
// then "end". The written name carries "|" and the written file's size and
// time, so an undo can tell that file from a later save in its place. A
// replace whose undoing failed renames its journal to the undo name (no write
// that a full disk could cut short); the next tidying moves each set aside
// file back. Older journals list such a move as a file with no third name.
struct JournalEntry {
    std::string written, target, aside, stamp;
};

// Size and last write time of a file (kept by a move); empty when it is missing.
static std::string StampOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return std::string();
    char text[48];
    snprintf(text, sizeof text, "%lx-%lx-%lx-%lx", (unsigned long)d.nFileSizeHigh, (unsigned long)d.nFileSizeLow,
             (unsigned long)d.ftLastWriteTime.dwHighDateTime, (unsigned long)d.ftLastWriteTime.dwLowDateTime);
    return text;
}

static bool EndsWith(const std::string& s, const char* end)
{
    size_t n = strlen(end);
    return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

// The temporary base a journal and its set aside files are named after.
static std::string JournalBase(const std::string& journal)
{
    const char* extension = EndsWith(journal, kUndoJournalExtension) ? kUndoJournalExtension : kJournalExtension;
    return journal.substr(0, journal.size() - strlen(extension));
}

// The name of `path` within `folder`; empty when it lies elsewhere.
static std::string NameIn(const std::string& folder, const std::string& path)
{
    std::string pathFolder = FolderOf(path);
    return lstrcmpiA(pathFolder.c_str(), folder.c_str()) == 0 ? path.substr(folder.size()) : std::string();
}

static bool PutJournal(HANDLE h, const std::string& folder, const std::vector<JournalEntry>& entries)
{
    std::string text;
    for (const JournalEntry& e : entries)
        text += NameIn(folder, e.written) + "|" + e.stamp + "\n" + NameIn(folder, e.target) + "\n" +
                NameIn(folder, e.aside) + "\n";
    text += kJournalEnd;
    text += "\n";
    DWORD put = 0;
    return !TakeWriteFault() && SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(h) &&
           WriteFile(h, text.data(), (DWORD)text.size(), &put, nullptr) && put == text.size() && FlushFileBuffers(h);
}

// Removes the journal through the handle that holds it, so no other tidier
// opens it between the close and the removal.
static void DeleteOpenJournal(HANDLE h, const std::string& path)
{
    FILE_DISPOSITION_INFO gone = {TRUE};
    bool marked = SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone) != 0;
    CloseHandle(h);
    if (!marked) DeleteFileA(path.c_str());
}

// Renames a file through a handle opened with DELETE access.
static bool RenameOpenFile(HANDLE h, const std::string& path)
{
    std::u16string wide = WideFrom(path, CP_ACP);
    if (wide.empty() || wide.size() >= MAX_PATH) return false;
    // The room is zeroed: the name ends with a terminator after its letters.
    std::vector<char> room(sizeof(FILE_RENAME_INFO) + (wide.size() + 1) * sizeof(WCHAR));
    FILE_RENAME_INFO* info = (FILE_RENAME_INFO*)room.data();
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = (DWORD)(wide.size() * sizeof(WCHAR));
    memcpy(info->FileName, wide.data(), wide.size() * sizeof(WCHAR));
    return SetFileInformationByHandle(h, FileRenameInfo, info, (DWORD)room.size()) != 0;
}

// A name the journal may hold: a file in its own folder, never a path.
static bool IsBareName(const std::string& name)
{
    return name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

// The entries of a complete journal; false for a partial or foreign one.
static bool ReadJournal(HANDLE h, const std::string& folder, std::vector<JournalEntry>* entries)
{
    char buffer[16384];
    DWORD got = 0;
    if (!ReadFile(h, buffer, sizeof buffer - 1, &got, nullptr)) return false;
    std::vector<std::string> lines;
    std::string line;
    for (DWORD i = 0; i < got; i++) {
        if (buffer[i] != '\n') {
            line += buffer[i];
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    if (lines.empty() || lines.back() != kJournalEnd || lines.size() % 3 != 1) return false;
    for (size_t k = 0; k + 1 < lines.size(); k += 3) {
        std::string written = lines[k], stamp;
        const std::string &target = lines[k + 1], &aside = lines[k + 2];
        size_t bar = written.find('|');
        if (bar != std::string::npos) {
            stamp = written.substr(bar + 1);
            written.erase(bar);
        }
        if (written.empty() || target.empty() || !IsBareName(written) || !IsBareName(target) || !IsBareName(aside))
            return false;
        entries->push_back({folder + written, folder + target, aside.empty() ? std::string() : folder + aside, stamp});
    }
    return true;
}

// Completes one replace cut short: every written file still there takes its
// target's place, and the set aside old files go. 1 when done.
static int CompleteReplace(const std::vector<JournalEntry>& entries)
{
    bool ok = true;
    for (const JournalEntry& e : entries) {
        if (Exists(e.written)) ok = MoveFileExA(e.written.c_str(), e.target.c_str(), MOVEFILE_REPLACE_EXISTING) && ok;
        // Its new file gone as well: the old one is better than none.
        else if (!e.aside.empty() && !Exists(e.target) && Exists(e.aside))
            ok = MoveFileExA(e.aside.c_str(), e.target.c_str(), 0) && ok;
    }
    if (!ok) return 0;
    // An old file goes only once its place is taken.
    for (const JournalEntry& e : entries)
        if (!e.aside.empty() && Exists(e.target)) DeleteFileA(e.aside.c_str());
    return 1;
}

// Undoes a replace whose old files could not all be put back: each one still
// aside returns while its target is missing or still the file that replace
// placed; a later save in its place stands and the old file goes. 1 when done.
static int UndoReplace(const std::vector<JournalEntry>& entries)
{
    bool ok = true;
    for (const JournalEntry& e : entries) {
        if (e.aside.empty() || !Exists(e.aside)) continue;
        std::string now = StampOf(e.target);
        if (now.empty() || now == e.stamp)
            ok = MoveFileExA(e.aside.c_str(), e.target.c_str(), MOVEFILE_REPLACE_EXISTING) && ok;
        else
            ok = DeleteFileA(e.aside.c_str()) && ok;
    }
    return ok ? 1 : 0;
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

// The process id in a temporary name ("-id-tick-count" of TempBaseBeside,
// before an extension or suffix); 0 when there is none.
static DWORD OwnerOf(const std::string& name)
{
    DWORD owner = 0;
    for (size_t i = name.find('-'); i != std::string::npos; i = name.find('-', i + 1)) {
        size_t at = i;
        DWORD first = 0;
        bool good = true;
        for (int part = 0; part < 3 && good; part++) {
            size_t end = at + 1;
            while (end < name.size() && isxdigit((unsigned char)name[end])) end++;
            good = at < name.size() && name[at] == '-' && end > at + 1 && end - at - 1 <= 8;
            if (good && part == 0) first = (DWORD)strtoul(name.substr(at + 1, end - at - 1).c_str(), nullptr, 16);
            at = end;
        }
        if (good && (at == name.size() || name[at] == '.' || name[at] == '_')) owner = first;
    }
    return owner;
}

static bool RunsHere(DWORD process)
{
    if (process == GetCurrentProcessId()) return true;
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (!p) return GetLastError() == ERROR_ACCESS_DENIED;   // another account's program, still running
    DWORD code = 0;
    bool running = GetExitCodeProcess(p, &code) && code == STILL_ACTIVE;
    CloseHandle(p);
    return running;
}

// A folder on a disk of this machine, where only this machine's programs write
// and a process id tells whether its save still runs.
static bool OnThisMachine(const std::string& folder)
{
    char full[kWindowsPathBytes];
    DWORD n = GetFullPathNameA(folder.empty() ? "." : folder.c_str(), sizeof full, full, nullptr);
    if (!n || n >= sizeof full || full[1] != ':') return false;
    char root[4] = {full[0], ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

void FinishInterruptedSaves(const std::string& folder)
{
    std::string prefix = std::string(kTempFilePrefix);
    // A replace still running here, or one that could not be completed, may
    // own any temporary file in the folder: then none is stale.
    bool unsettled = false;
    std::vector<std::string> keptBases;
    for (const std::string& journal : FilesMatching(folder, prefix + "*" + kJournalExtension)) {
        // Opening it unshared fails while its replace or another tidier holds it
        // open; held so until the replace is complete and the journal gone.
        HANDLE h = CreateFileA(journal.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            unsettled = true;
            continue;
        }
        std::vector<JournalEntry> entries;
        bool complete = ReadJournal(h, folder, &entries);
        std::string base = JournalBase(journal);
        // A journal cut short was written before any move, unless old files
        // were set aside under its name: then they may be the only copies of
        // the user's files and stay, with the journal.
        if (!complete && !FilesMatching(folder, base.substr(folder.size()) + ".old*").empty()) {
            CloseHandle(h);
            keptBases.push_back(base + ".");
            continue;
        }
        bool undo = EndsWith(journal, kUndoJournalExtension);
        if (!complete || (undo ? UndoReplace(entries) : CompleteReplace(entries))) {
            DeleteOpenJournal(h, journal);
        } else {
            CloseHandle(h);
            unsettled = true;
        }
    }
    if (unsettled) return;
    // The written times come from the file's server, whose clock may differ
    // from ours: a file whose owner cannot be told is left for much longer.
    bool local = OnThisMachine(folder);
    WIN32_FILE_ATTRIBUTE_DATA data;
    for (const std::string& file : FilesMatching(folder, prefix + "*")) {
        if (file.size() > strlen(kJournalExtension) &&
            file.compare(file.size() - strlen(kJournalExtension), std::string::npos, kJournalExtension) == 0)
            continue;
        bool kept = false;
        for (const std::string& base : keptBases) kept = kept || file.compare(0, base.size(), base) == 0;
        if (kept) continue;
        DWORD owner = OwnerOf(file.substr(folder.size()));
        if (owner && RunsHere(owner)) continue;
        uint64_t staleAge = owner && local ? kStaleAge : kUnjudgedStaleAge;
        // A save still writing keeps its file fresh; one killed left it behind.
        if (GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) && Age(data.ftLastWriteTime) > staleAge)
            DeleteFileA(file.c_str());
    }
}

// --- group replace ---------------------------------------------------------------------------

int ReplaceFileGroup(const std::string* written, const std::string* targets, int count)
{
    std::vector<char> kept(count), placed(count);
    bool ok = count > 0;
    for (int k = 0; ok && k < count; k++)
        if (targets[k].empty()) ok = false;
    std::string base = ok ? TempBaseBeside(targets[0]) : std::string();
    if (base.empty()) return 0;
    // Each replace sets the old files aside under names of its own, so that the
    // tidying of another replace of the same files never takes them.
    std::string folder = FolderOf(targets[0]), journalPath = base + kJournalExtension;
    std::vector<JournalEntry> entries(count);
    for (int k = 0; k < count; k++) {
        entries[k] = {written[k], targets[k], base + ".old" + std::to_string(k), StampOf(written[k])};
        // The journal names its files within its own folder.
        if (NameIn(folder, written[k]).empty() || NameIn(folder, targets[k]).empty()) return 0;
    }
    HANDLE journal = CreateFileA(journalPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (journal == INVALID_HANDLE_VALUE) return 0;
    if (!PutJournal(journal, folder, entries)) {
        DeleteOpenJournal(journal, journalPath);
        return 0;
    }
    int renames = 0;
    auto stopped = [&]() {
        if (stopAfter < 0 || renames++ < stopAfter) return false;
        if (atStop) atStop();
        return true;
    };
    for (int k = 0; ok && k < count; k++) {
        DWORD attributes = GetFileAttributesA(targets[k].c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        const std::string& aside = entries[k].aside;
        if (attributes & FILE_ATTRIBUTE_READONLY) ok = false;
        else if (stopped()) return CloseHandle(journal), 0;
        else ok = (kept[k] = MoveFileExA(targets[k].c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) != 0;
    }
    for (int k = 0; ok && k < count; k++) {
        if (stopped()) return CloseHandle(journal), 0;
        ok = (placed[k] = MoveFileExA(written[k].c_str(), targets[k].c_str(), MOVEFILE_REPLACE_EXISTING) != 0) != 0;
    }
    if (!ok && beforeUndo) beforeUndo();
    bool allBack = true;
    for (int k = 0; k < count; k++) {
        const std::string& aside = entries[k].aside;
        // A placed file goes back to its written name, so the caller removes it.
        if (!ok && placed[k]) MoveFileExA(targets[k].c_str(), written[k].c_str(), MOVEFILE_REPLACE_EXISTING);
        if (kept[k] && !ok)
            allBack = MoveFileExA(aside.c_str(), targets[k].c_str(), MOVEFILE_REPLACE_EXISTING) && allBack;
        else if (kept[k]) DeleteFileA(aside.c_str());
    }
    if (allBack) {
        DeleteOpenJournal(journal, journalPath);
    } else if (!RenameOpenFile(journal, base + kUndoJournalExtension)) {
        // An old file still aside: the journal stays, renamed, to put it back
        // at the next tidying; else cut short, it keeps its old files from
        // being taken as stale.
        SetFilePointer(journal, 0, nullptr, FILE_BEGIN);
        SetEndOfFile(journal);
        CloseHandle(journal);
    } else {
        CloseHandle(journal);
    }
    return ok ? 1 : 0;
}

// --- single files ----------------------------------------------------------------------------

int OpenReplacing(ReplacingFile* r, const char* target)
{
    r->file = nullptr;
    r->target = target;
    r->temp.clear();
    if (IsReadOnlyFile(target)) {
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
    if (ok && IsReadOnlyFile(r->target.c_str())) {
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
