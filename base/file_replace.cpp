#include "base/file_replace.h"
#include <windows.h>
#include <vector>

int ReplaceFileGroup(const std::string* written, const std::string* targets, int count)
{
    std::vector<std::string> aside(count);
    std::vector<char> kept(count), placed(count);
    bool ok = true;
    for (int k = 0; ok && k < count; k++) {
        if (targets[k].empty()) {
            ok = false;
            break;
        }
        DWORD attributes = GetFileAttributesA(targets[k].c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        aside[k] = targets[k] + "~old";
        if (attributes & FILE_ATTRIBUTE_READONLY) ok = false;
        else ok = kept[k] = MoveFileExA(targets[k].c_str(), aside[k].c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }
    for (int k = 0; ok && k < count; k++)
        ok = placed[k] = MoveFileExA(written[k].c_str(), targets[k].c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    for (int k = 0; k < count; k++) {
        // A placed file goes back to its written name, so the caller removes it.
        if (!ok && placed[k]) MoveFileExA(targets[k].c_str(), written[k].c_str(), MOVEFILE_REPLACE_EXISTING);
        if (kept[k] && !ok) MoveFileExA(aside[k].c_str(), targets[k].c_str(), MOVEFILE_REPLACE_EXISTING);
        else if (kept[k]) DeleteFileA(aside[k].c_str());
    }
    return ok ? 1 : 0;
}
