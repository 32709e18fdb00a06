// Replacing a group of files together through temporary names; finishing saves cut short.
#include "base/file_replace.h"
#include "base/code_pages.h"
#include "base/file_system.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "base/text.h"
#include <windows.h>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const char kTempFilePrefix[] = "~vt";
const char kOldTempFilePrefix[] = "~velka-temp-";
const char kTempFileExtension[] = ".tmp";
const char kTempHoldExtension[] = ".jnl";
const char kLongestGroupSuffix[] = ".undo.replace";
static const char kJournalExtension[] = ".replace";
static const char* const kUndoJournalExtension = kLongestGroupSuffix;
static const char kJournalEnd[] = "end";
// The first line of each journal, followed by a space and the journal's base:
// a file of another program, or one copied here under another name, is no
// journal of this one's.
static const char kReplaceSignature[] = "VelkaViewer replace journal";
static const char kHoldSignature[] = "VelkaViewer temporary files";
static_assert(sizeof kTempHoldExtension <= sizeof kTempFileExtension, "a single file's save has room for its journal");
static const uint64_t kStaleAge = 60ull * 10000000ull;   // one minute in FILETIME units
static const uint64_t kUnjudgedStaleAge = 12 * 60 * kStaleAge;
static const unsigned kTempCounters = 1u << (4 * kTempCounterDigits);

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

static bool EndsWith(const std::string& s, const char* end)
{
    size_t n = strlen(end);
    return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

// The names in `folder` that match `pattern`: files, and folders too when asked.
static std::vector<std::string> NamesIn(const std::string& folder, const std::string& pattern, bool folders)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do
        if (folders ? strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")
                    : !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

static std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> files = NamesIn(folder, pattern, false);
    for (std::string& file : files) file.insert(0, folder);
    return files;
}

static bool SameText(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

// The counter of a name that begins with a temporary base of this version
// (the prefix, 1 to kTempCounterDigits hexadecimal digits, then the end, "."
// or "_"), and the base's length; -1 for any other name. Names are compared
// as Windows compares them, whatever the case.
static int CounterOf(const std::string& name, size_t* baseLength = nullptr)
{
    const size_t start = sizeof kTempFilePrefix - 1;
    if (name.size() <= start || !SameText(name.substr(0, start), kTempFilePrefix)) return -1;
    size_t end = start;
    while (end < name.size() && end - start < kTempCounterDigits && isxdigit((unsigned char)name[end])) end++;
    if (end == start || (end < name.size() && name[end] != '.' && name[end] != '_')) return -1;
    if (baseLength) *baseLength = end;
    return (int)strtoul(name.substr(start, end - start).c_str(), nullptr, 16);
}

static bool AllDigits(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

// Whether what follows a base is a suffix this program gives: only such files
// are ever tidied away, never a user's file that happens to start alike.
static bool IsOwnSuffix(const std::string& rest)
{
    if (SameText(rest, kTempFileExtension) || SameText(rest, kTempHoldExtension) || SameText(rest, kJournalExtension) ||
        SameText(rest, kUndoJournalExtension))
        return true;
    if (rest.size() > 4 && SameText(rest.substr(0, 4), ".old")) return AllDigits(rest.substr(4));
    size_t dot = rest.rfind('.');
    if (rest[0] != '_' || dot == std::string::npos || !AllDigits(rest.substr(1, dot - 1))) return false;
    for (const char* extension : {".shp", ".shx", ".dbf", ".cpg"})
        if (SameText(rest.substr(dot), extension)) return true;
    return false;
}

static bool IsOwnTempName(const std::string& name)
{
    size_t baseLength = 0;
    return CounterOf(name, &baseLength) >= 0 && IsOwnSuffix(name.substr(baseLength));
}

size_t LongestTempFolder(const char* longestSuffix)
{
    // The folder, its separator, the base and the suffix within what Windows takes.
    return kWindowsPathUnits - 1 - (sizeof kTempFilePrefix - 1) - kTempCounterDigits - strlen(longestSuffix);
}

bool TempNamesFitBeside(const std::string& target, const char* longestSuffix)
{
    return WindowsFolderUnits(target) <= LongestTempFolder(longestSuffix);
}

const char kTempFolderTooLongText[] = "The folder is too long: it holds %d characters, and at most %d leave room for "
                                      "the temporary file a save writes beside the file.\n\n    %s\n";

// The letters of `target`'s folder as a user counts them: UTF-16 units less
// the second unit of each letter outside the Basic Multilingual Plane.
static size_t FolderLetters(const std::string& target)
{
    size_t cut = target.find_last_of("\\/");
    if (cut == std::string::npos) return 0;
    std::u16string units = WideFrom(target.substr(0, cut), CP_ACP);
    size_t letters = units.size();
    for (char16_t unit : units)
        if (unit >= 0xDC00 && unit <= 0xDFFF) letters--;
    return letters;
}

std::string TempFolderTooLongMessage(const std::string& target, const char* longestSuffix)
{
    char shown[kPathTooLongShown + 1];
    CopyBounded(shown, sizeof shown, target.c_str());
    // The check is Windows' own, in units; the message counts letters, and its
    // limit is the one this folder's letters meet (each pair counts two).
    size_t letters = FolderLetters(target), pairs = WindowsFolderUnits(target) - letters;
    size_t limit = LongestTempFolder(longestSuffix), most = limit > pairs ? limit - pairs : 0;
    char text[sizeof kTempFolderTooLongText + sizeof shown + 40];   // and two numbers
    snprintf(text, sizeof text, kTempFolderTooLongText, (int)letters, (int)most, shown);
    return text;
}

// The counters that names in `folder` hold.
static std::vector<char> TakenCounters(const std::string& folder)
{
    std::vector<char> taken(kTempCounters);
    for (const std::string& name : NamesIn(folder, std::string(kTempFilePrefix) + "*", true)) {
        int counter = CounterOf(name);
        if (counter >= 0) taken[(size_t)counter] = 1;
    }
    return taken;
}

const char kTempNamesTakenText[] = "No temporary file can be made in the folder: all %d names a save writes under "
                                   "(%s0 to %s%x, with any extension) are taken by other files there. Move or "
                                   "rename some of them, or save into another folder.\n\n    %s\n";

std::string TempNameRefusal(const std::string& target, const char* longestSuffix)
{
    if (!TempNamesFitBeside(target, longestSuffix)) return TempFolderTooLongMessage(target, longestSuffix);
    std::string folder = FolderOf(target);
    std::vector<char> taken = TakenCounters(folder);
    for (char t : taken)
        if (!t) return std::string();
    char shown[kPathTooLongShown + 1];
    CopyBounded(shown, sizeof shown, folder.empty() ? "." : folder.substr(0, folder.size() - 1).c_str());
    char text[sizeof kTempNamesTakenText + sizeof shown + 40];   // and the names
    snprintf(text, sizeof text, kTempNamesTakenText, (int)kTempCounters, kTempFilePrefix, kTempFilePrefix,
             kTempCounters - 1, shown);
    return text;
}

// Where this program's next search for a free counter starts: one after the
// last, from a point of its own, so that two programs saving into one folder
// at once rarely try the same counter, nor two threads of this one.
static unsigned NextSearchStart()
{
    static std::atomic<unsigned> next{[] {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        unsigned seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount() ^ now.dwLowDateTime;
        seed ^= seed >> 16;
        seed *= 0x45d9f3bu;
        return seed ^ (seed >> 16);
    }()};
    return next.fetch_add(1);
}

std::string TempBaseBeside(const std::string& target, const char* longestSuffix)
{
    if (!TempNamesFitBeside(target, longestSuffix)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::string();
    }
    std::string folder = FolderOf(target);
    FinishInterruptedSaves(folder);
    std::vector<char> taken = TakenCounters(folder);
    unsigned start = NextSearchStart();
    for (unsigned k = 0; k < kTempCounters; k++) {
        unsigned counter = (start + k) % kTempCounters;
        if (taken[counter]) continue;
        char digits[16];
        snprintf(digits, sizeof digits, "%x", counter);
        return folder + kTempFilePrefix + digits;
    }
    SetLastError(ERROR_CANNOT_MAKE);
    return std::string();
}

// Makes `suffix` under a fresh base beside `target` (room left for suffixes
// up to `longestSuffix`), opened with `access` and `share`. Another program
// may take a counter between the search and the creation: the next one is
// tried then, a few times. The handle and its base; INVALID_HANDLE_VALUE,
// with the system's error set, when none could be made.
static HANDLE CreateUnderFreshBase(const std::string& target, const char* suffix, const char* longestSuffix,
                                   DWORD access, DWORD share, std::string* base)
{
    for (int attempt = 0; attempt < 8; attempt++) {
        *base = TempBaseBeside(target, longestSuffix);
        if (base->empty()) break;
        HANDLE h = CreateFileA((*base + suffix).c_str(), access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS))
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

// --- the journal of a group replace -----------------------------------------------------

// Written and flushed before the first move and held open (others may only read)
// until the last one, so another program's tidying knows a live replace from one
// cut short. Lines: kReplaceSignature and the journal's base; for each file,
// the written name, the target name and the name its old file is set aside
// under (bare names in the journal's folder, the last under its base); then
// "end". The written name carries "|" and the written file's size and
// time, so an undo can tell that file from a later save in its place. A
// replace whose undoing failed renames its journal to the undo name (no write
// that a full disk could cut short); the next tidying moves each set aside
// file back. Older journals list such a move as a file with no third name;
// earlier versions' journals carry no signature.
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

// The temporary base a journal and the files it holds are named after.
static std::string JournalBase(const std::string& journal)
{
    const char* extension = EndsWith(journal, kUndoJournalExtension) ? kUndoJournalExtension
                            : EndsWith(journal, kTempHoldExtension)  ? kTempHoldExtension
                                                                      : kJournalExtension;
    return journal.substr(0, journal.size() - strlen(extension));
}

static std::string LeafOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// A journal's first line: its signature and the base it is named after.
static std::string SignatureLine(const char* signature, const std::string& base)
{
    return std::string(signature) + " " + LeafOf(base) + "\n";
}

// Whether a bare `name` lies under `base` (its leaf), as the files a journal may remove do.
static bool UnderBase(const std::string& name, const std::string& base)
{
    size_t baseLength = 0;
    return CounterOf(name, &baseLength) >= 0 && SameText(name.substr(0, baseLength), base.c_str()) &&
           IsOwnSuffix(name.substr(baseLength));
}

// The name of `path` within `folder`; empty when it lies elsewhere.
static std::string NameIn(const std::string& folder, const std::string& path)
{
    std::string pathFolder = FolderOf(path);
    return lstrcmpiA(pathFolder.c_str(), folder.c_str()) == 0 ? path.substr(folder.size()) : std::string();
}

static bool PutJournal(HANDLE h, const std::string& base, const std::vector<JournalEntry>& entries)
{
    std::string folder = FolderOf(base), text = SignatureLine(kReplaceSignature, base);
    for (const JournalEntry& e : entries)
        text += NameIn(folder, e.written) + "|" + e.stamp + "\n" + NameIn(folder, e.target) + "\n" +
                NameIn(folder, e.aside) + "\n";
    text += kJournalEnd;
    text += "\n";
    DWORD put = 0;
    return !TakeWriteFault() && SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(h) &&
           WriteFile(h, text.data(), (DWORD)text.size(), &put, nullptr) && put == text.size() && FlushFileBuffers(h);
}

// Removes a file through the handle that holds it, so no other program opens
// it between the close and the removal.
static void DeleteOpenFile(HANDLE h, const std::string& path)
{
    FILE_DISPOSITION_INFO gone = {TRUE};
    bool marked = SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone) != 0;
    CloseHandle(h);
    if (!marked) DeleteFileA(path.c_str());
}

// --- the journal of a save's temporary files ------------------------------------------
// Lines: kHoldSignature and its base, then the name of each file the save
// makes under that base, each written before the file is made. Held open
// (others may only read) while the save runs; a line not ended is no name.

struct TempHold {
    HANDLE      journal;
    std::string path;
};

static bool AppendToJournal(HANDLE h, const std::string& text)
{
    DWORD put = 0;
    return SetFilePointer(h, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
           WriteFile(h, text.data(), (DWORD)text.size(), &put, nullptr) && put == text.size();
}

std::string ReserveTempBase(const std::string& target, const char* longestSuffix, void** held)
{
    *held = nullptr;
    if (strlen(longestSuffix) < strlen(kTempHoldExtension)) longestSuffix = kTempHoldExtension;
    std::string base;
    HANDLE h = CreateUnderFreshBase(target, kTempHoldExtension, longestSuffix, GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ, &base);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    if (!AppendToJournal(h, SignatureLine(kHoldSignature, base))) {
        DWORD error = GetLastError();
        DeleteOpenFile(h, base + kTempHoldExtension);
        SetLastError(error);
        return std::string();
    }
    *held = new TempHold{h, base + kTempHoldExtension};
    return base;
}

bool HoldTempFiles(void* held, const std::string* paths, size_t count)
{
    TempHold* hold = (TempHold*)held;
    if (!hold) return false;
    std::string folder = FolderOf(hold->path), base = LeafOf(JournalBase(hold->path)), text;
    for (size_t k = 0; k < count; k++) {
        std::string name = NameIn(folder, paths[k]);
        if (!UnderBase(name, base)) return false;
        text += name + "\n";
    }
    return AppendToJournal(hold->journal, text);
}

void ReleaseTempBase(const std::string&, void** held)
{
    TempHold* hold = (TempHold*)*held;
    if (!hold) return;
    DeleteOpenFile(hold->journal, hold->path);
    delete hold;
    *held = nullptr;
}

void AbandonTempBase(void** held)
{
    TempHold* hold = (TempHold*)*held;
    if (!hold) return;
    CloseHandle(hold->journal);
    delete hold;
    *held = nullptr;
}

std::string NewTempFileBeside(const std::string& target, const char* extension, void** held)
{
    std::string base = ReserveTempBase(target, extension, held);
    if (base.empty()) return std::string();
    std::string path = base + extension;
    // The base is held: no other save makes a name under it.
    HANDLE made = HoldTempFiles(*held, &path, 1) ? CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                               FILE_ATTRIBUTE_NORMAL, nullptr)
                                                 : INVALID_HANDLE_VALUE;
    if (made == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        ReleaseTempBase(base, held);
        SetLastError(error);
        return std::string();
    }
    CloseHandle(made);
    return path;
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

// The ended lines of a journal, and whether its first one is `signature` with
// the journal's base (then dropped from the lines).
static std::vector<std::string> JournalLines(HANDLE h, const std::string& journal, const char* signature, bool* isSigned)
{
    char buffer[16384];
    DWORD got = 0;
    std::vector<std::string> lines;
    if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr)) got = 0;
    std::string line;
    for (DWORD i = 0; i < got; i++) {
        if (buffer[i] != '\n') {
            line += buffer[i];
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    std::string first = SignatureLine(signature, JournalBase(journal));
    *isSigned = !lines.empty() && lines[0] + "\n" == first;
    if (*isSigned) lines.erase(lines.begin());
    return lines;
}

// The entries of a complete journal; false for a partial or foreign one.
// `lines` follow the signature (an earlier version's have none).
static bool ReadJournal(const std::vector<std::string>& lines, const std::string& journal,
                        std::vector<JournalEntry>* entries)
{
    std::string folder = FolderOf(journal), base = LeafOf(JournalBase(journal));
    if (lines.empty() || lines.back() != kJournalEnd || lines.size() % 3 != 1) return false;
    for (size_t k = 0; k + 1 < lines.size(); k += 3) {
        std::string written = lines[k], stamp;
        const std::string &target = lines[k + 1], &aside = lines[k + 2];
        size_t bar = written.find('|');
        if (bar != std::string::npos) {
            stamp = written.substr(bar + 1);
            written.erase(bar);
        }
        // Only its own set aside files are ever removed.
        if (written.empty() || target.empty() || !IsBareName(written) || !IsBareName(target) || !IsBareName(aside) ||
            (!aside.empty() && lstrcmpiA(aside.substr(0, base.size()).c_str(), base.c_str())))
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

static uint64_t Age(const FILETIME& written)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t a = ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;
    uint64_t b = ((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime;
    return a > b ? a - b : 0;
}

// A folder on a disk of this machine, whose files this machine's clock dates.
static bool OnThisMachine(const std::string& folder)
{
    char full[kWindowsPathBytes];
    DWORD n = GetFullPathNameA(folder.empty() ? "." : folder.c_str(), sizeof full, full, nullptr);
    if (!n || n >= sizeof full || full[1] != ':') return false;
    char root[4] = {full[0], ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

// Settles one replace journal: completes or undoes its replace and removes
// it. False while its replace or another tidier holds it, or when it could
// not be completed. A journal that is not this program's (no signature with
// its own base, unless an earlier version's complete one) is left as it is,
// and so is one cut short that old files were set aside under: they may be
// the only copies of the user's files.
static bool SettleJournal(const std::string& folder, const std::string& journal)
{
    // Opening it unshared fails while its replace or another tidier holds it
    // open; held so until the replace is complete and the journal gone.
    HANDLE h =
        CreateFileA(journal.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool isSigned = false;
    std::vector<std::string> lines = JournalLines(h, journal, kReplaceSignature, &isSigned);
    bool earlier = SameText(LeafOf(journal).substr(0, sizeof kOldTempFilePrefix - 1), kOldTempFilePrefix);
    std::vector<JournalEntry> entries;
    bool complete = (isSigned || earlier) && ReadJournal(lines, journal, &entries);
    std::string base = JournalBase(journal);
    // Signed but cut short, it was written before any move, unless old files
    // were set aside under its name.
    bool settled = complete || (isSigned && FilesMatching(folder, LeafOf(base) + ".old*").empty());
    if (!settled) {
        CloseHandle(h);
        return true;
    }
    bool undo = EndsWith(journal, kUndoJournalExtension);
    if (!complete || (undo ? UndoReplace(entries) : CompleteReplace(entries))) {
        DeleteOpenFile(h, journal);
        return true;
    }
    CloseHandle(h);
    return false;
}

// Removes a group of files only when none was written within `staleAge` and
// no program holds any of them open: each is then held unshared, so none can
// be opened meanwhile, and all go together. True when they went.
static bool RemoveIfStale(const std::vector<std::string>& files, uint64_t staleAge)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    for (const std::string& file : files)
        if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) || Age(data.ftLastWriteTime) <= staleAge)
            return false;
    std::vector<HANDLE> held;
    bool stale = true;
    for (size_t k = 0; stale && k < files.size(); k++) {
        HANDLE h = CreateFileA(files[k].c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        FILETIME written;
        stale = h != INVALID_HANDLE_VALUE;
        if (stale) held.push_back(h);
        // Written between the look and the open: its save goes on.
        stale = stale && GetFileTime(h, nullptr, nullptr, &written) && Age(written) > staleAge;
    }
    for (size_t k = 0; k < held.size(); k++) {
        if (stale) DeleteOpenFile(held[k], files[k]);
        else CloseHandle(held[k]);
    }
    return stale;
}

// The files a save no longer running left, as its journal names them: gone
// with the journal once stale. A live save holds its journal open; the
// library that writes a table keeps its files open and fresh meanwhile.
static void RemoveAbandonedFiles(const std::string& folder, const std::string& journal, uint64_t staleAge)
{
    HANDLE h =
        CreateFileA(journal.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    bool isSigned = false;
    std::vector<std::string> names = JournalLines(h, journal, kHoldSignature, &isSigned);
    std::string base = LeafOf(JournalBase(journal));
    std::vector<std::string> left;
    for (const std::string& name : names) {
        isSigned = isSigned && UnderBase(name, base);
        if (Exists(folder + name)) left.push_back(folder + name);
    }
    if (isSigned && (left.empty() || RemoveIfStale(left, staleAge))) DeleteOpenFile(h, journal);
    else CloseHandle(h);
}

void FinishInterruptedSaves(const std::string& folder)
{
    // A replace still running here, or one that could not be completed, may
    // need the files its save wrote: then none is removed.
    bool unsettled = false;
    for (const char* prefix : {kTempFilePrefix, kOldTempFilePrefix})
        for (const std::string& journal : FilesMatching(folder, std::string(prefix) + "*" + kJournalExtension)) {
            if (prefix == kTempFilePrefix && !IsOwnTempName(journal.substr(folder.size()))) continue;
            if (!SettleJournal(folder, journal)) unsettled = true;
        }
    if (unsettled) return;
    uint64_t staleAge = OnThisMachine(folder) ? kStaleAge : kUnjudgedStaleAge;
    for (const std::string& journal : FilesMatching(folder, std::string(kTempFilePrefix) + "*" + kTempHoldExtension))
        if (IsOwnTempName(journal.substr(folder.size()))) RemoveAbandonedFiles(folder, journal, staleAge);
}

// --- group replace ---------------------------------------------------------------------------

int ReplaceFileGroup(const std::string* written, const std::string* targets, int count)
{
    std::vector<char> kept(count), placed(count);
    bool ok = count > 0;
    for (int k = 0; ok && k < count; k++)
        if (targets[k].empty()) ok = false;
    if (!ok) return 0;
    std::string folder = FolderOf(targets[0]);
    // The journal names its files within its own folder.
    for (int k = 0; k < count; k++)
        if (NameIn(folder, written[k]).empty() || NameIn(folder, targets[k]).empty()) return 0;
    // Held while the replace runs (others may only read).
    std::string base;
    HANDLE journal = CreateUnderFreshBase(targets[0], kJournalExtension, kLongestGroupSuffix,
                                          GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, &base);
    if (journal == INVALID_HANDLE_VALUE) return 0;
    // Each replace sets the old files aside under names of its own, so that the
    // tidying of another replace of the same files never takes them.
    std::string journalPath = base + kJournalExtension;
    std::vector<JournalEntry> entries(count);
    for (int k = 0; k < count; k++)
        entries[k] = {written[k], targets[k], base + ".old" + std::to_string(k), StampOf(written[k])};
    if (!PutJournal(journal, base, entries)) {
        DeleteOpenFile(journal, journalPath);
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
        DeleteOpenFile(journal, journalPath);
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
    r->temp = NewTempFileBeside(r->target, kTempFileExtension, &r->held);
    if (r->temp.empty()) return 0;
    r->file = VFileCreate(r->temp.c_str());
    if (!r->file) {
        DWORD error = GetLastError();
        DeleteFileA(r->temp.c_str());
        ReleaseTempBase(r->temp, &r->held);
        SetLastError(error);
        r->temp.clear();
    }
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
    DWORD error = GetLastError();
    if (!ok) DeleteFileA(r->temp.c_str());
    ReleaseTempBase(r->temp, &r->held);
    SetLastError(error);
    r->temp.clear();
    return ok ? 1 : 0;
}
