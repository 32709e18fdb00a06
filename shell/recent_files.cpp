// The recent-file list of the registry record, most recent first, and its
// items in the File menus of the frame and the views.
#include "shell/recent_files.h"
#include "shell/open_files.h"
#include "shell/registry.h"
#include "app/app_windows.h"
#include "app/command_ids.h"
#include "base/paths.h"
#include "base/text.h"
#include <cstdio>
#include <cstring>

void AddRecentFile(const char* path)
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s || !path) return;
    // A path that does not fit an entry is not kept: a cut one would name another file.
    if (strlen(path) >= (size_t)kRegistryTextChars) return;
    int found = kRecentFileCount - 1;   // not found: the oldest buffer is reused
    for (int i = 0; i < kRecentFileCount; i++) {
        if (!s->RecentFile[i][0]) break;
        if (strcmp(s->RecentFile[i], path) == 0) {
            found = i;
            break;
        }
    }
    char* buffer = s->RecentFile[found];
    for (int i = found; i > 0; i--) s->RecentFile[i] = s->RecentFile[i - 1];
    s->RecentFile[0] = buffer;
    CopyBounded(buffer, kRegistryTextChars, path);
    UpdateRecentFileMenu();
}

// Found by command through the whole bar: with a maximised view the bar's
// first item is the view's system menu, not File.
static void SetRecentItem(HMENU menu, int id, const char* text)
{
    if (!menu) return;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = (char*)text;
    SetMenuItemInfoA(menu, id, FALSE, &info);
}

void UpdateRecentFileMenu()
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s) return;
    for (int n = 1; n <= kRecentFileCount; n++) {
        const char* entry = s->RecentFile[n - 1];
        if (!entry[0]) break;
        char text[300];
        snprintf(text, sizeof text, "&%d  %s", n, GetPathFileName(entry));
        SetRecentItem(FrameMenu, CMD_RECENT_FIRST - 1 + n, text);
        SetRecentItem(ViewMenu, CMD_RECENT_FIRST - 1 + n, text);
    }
}

int OpenRecentFile(int id)
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s || id < CMD_RECENT_FIRST || id > CMD_RECENT_LAST) return 0;
    const char* entry = s->RecentFile[id - CMD_RECENT_FIRST];
    if (!entry[0]) return 0;
    // The open may reorder the list and reuse this buffer: work on a copy.
    char path[kRegistryTextChars];
    CopyBounded(path, sizeof path, entry);
    return OpenFilesInNewView(path, 0);
}
