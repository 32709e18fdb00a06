// Folder tests, the folder browser, the clipboard and the one conversion of
// Windows paths for native libraries.
#include "base/file_system.h"
#include <shellapi.h>
#include "base/paths.h"
#include "base/code_pages.h"
#include "base/messages.h"
#include "base/dialogs.h"

#include <shlobj.h>

#include <cstring>

namespace {

// Initial folder of the current browse, selected when the dialog opens.
char browseInitialFolder[MAX_PATH];

bool HasWildcard(const char* s)
{
    return std::strpbrk(s, "*?") != nullptr;
}

// Copies path without one trailing backslash into out (MAX_PATH); false when
// it does not fit.
bool WithoutTrailingSlash(const char* path, char* out)
{
    size_t len = std::strlen(path);
    if (len >= MAX_PATH) return false;
    std::memcpy(out, path, len + 1);
    if (len > 0 && out[len - 1] == '\\') out[len - 1] = '\0';
    return true;
}

bool IsDriveOnly(const char* s)
{
    return s[0] != '\0' && s[1] == ':' && s[2] == '\0';
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM)
{
    if (message == BFFM_INITIALIZED) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, (LPARAM)browseInitialFolder);
    } else if (message == BFFM_SELCHANGED) {
        char path[MAX_PATH];
        if (SHGetPathFromIDListA((LPCITEMIDLIST)lParam, path))
            SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, (LPARAM)path);
    }
    return 0;
}

// The clipboard needs an owner window for SetClipboardData to succeed; a
// message-only window serves when the helper is called without one at hand.
HWND ClipboardOwner()
{
    static HWND owner;
    if (!owner)
        owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    return owner;
}

}  // namespace

// 1 when the path, less one trailing backslash, names an existing folder.
// Wildcards are refused: the search would otherwise match any entry.
int FolderExists(const char* path)
{
    char local[MAX_PATH];
    if (!path || HasWildcard(path) || !WithoutTrailingSlash(path, local) || !local[0]) return 0;
    if (IsDriveOnly(local)) {
        // A search for "D:" finds nothing; ask about the root itself.
        char root[4] = { local[0], ':', '\\', '\0' };
        DWORD attributes = GetFileAttributesA(root);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(local, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

// 1 when a file or folder of that name exists; a trailing backslash is ignored.
int FileExists(const char* path)
{
    char local[MAX_PATH];
    if (!path || HasWildcard(path) || !WithoutTrailingSlash(path, local) || !local[0]) return 0;
    if (IsDriveOnly(local)) return FolderExists(local);
    return GetFileAttributesA(local) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int IsReadOnlyFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
}

static FolderDialogHookProc folderDialogHook;
void SetFolderDialogHook(FolderDialogHookProc hook) { folderDialogHook = hook; }

// Shows the shell's folder browser opened on the folder in path. On success
// path holds the chosen folder ending with a backslash and the result is 1.
int BrowseForFolder(HWND owner, char* path, const char* title)
{
    if (folderDialogHook) return folderDialogHook(path, title);
    if (RefuseUnansweredModal("folder dialog", title)) return 0;
    IMalloc* shellMalloc = nullptr;
    if (FAILED(SHGetMalloc(&shellMalloc)) || !shellMalloc) return 0;

    if (path[0] && std::strlen(path) < MAX_PATH)
        std::strcpy(browseInitialFolder, path);
    else
        browseInitialFolder[0] = '\0';

    BROWSEINFOA info;
    std::memset(&info, 0, sizeof(info));
    info.hwndOwner = ModalOwner(owner);
    info.pidlRoot = nullptr;  // the desktop
    info.pszDisplayName = path;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.lpfn = BrowseCallback;

    int result = 0;
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (item) {
        if (SHGetPathFromIDListA(item, path)) {
            size_t len = std::strlen(path);
            if (len > 0 && path[len - 1] != '\\' && len + 1 < MAX_PATH) {
                path[len] = '\\';
                path[len + 1] = '\0';
            }
            result = 1;
        }
        shellMalloc->Free(item);
    }
    shellMalloc->Release();
    return result;
}

// Hands a movable global block holding a terminated text to the clipboard as
// CF_TEXT. On failure the block still belongs to the caller.
static ShellOpenHookProc shellOpenHook;
void SetShellOpenHook(ShellOpenHookProc hook) { shellOpenHook = hook; }

int ShellOpen(HWND owner, const char* target)
{
    if (shellOpenHook) return shellOpenHook(target);
    // Values above 32 mean success.
    return (INT_PTR)ShellExecuteA(owner, "open", target, nullptr, nullptr, SW_SHOWNORMAL) > 32 ? 1 : 0;
}

int CopyToClipboard(HGLOBAL text)
{
    if (!OpenClipboard(ClipboardOwner())) {
        ErrorMessage("Unable to open clipboard!");
        return 0;
    }
    EmptyClipboard();
    HANDLE placed = SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    if (!placed) {
        ErrorMessage("Unable to open clipboard!");
        return 0;
    }
    return 1;
}

std::string ToNativePath(const char* path)
{
    if (!path || !path[0]) return std::string();
    std::u16string wide = WideFrom(path, CP_ACP);
    if (wide.empty()) return std::string();
#ifdef __WINE__
    std::string native;
    char* unixName = wine_get_unix_file_name((const WCHAR*)wide.c_str());
    if (unixName) {
        native = unixName;
        HeapFree(GetProcessHeap(), 0, unixName);
    }
    return native;
#else
    return NarrowFrom(wide.c_str(), CP_UTF8);
#endif
}

std::string ToWin32Path(const char* path)
{
    if (!path || !path[0]) return std::string();
    std::string given = path;
#ifdef __WINE__
    if (path[0] == '/') {
        WCHAR* dos = wine_get_dos_file_name(path);
        if (!dos) return std::string();
        given = NarrowFrom((const char16_t*)dos, CP_ACP);
        HeapFree(GetProcessHeap(), 0, dos);
        if (given.empty()) return given;
    }
#endif
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(given.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full) : std::string();
}
