// Derived file names: the ".dbf" beside a ".shp", the ".loc" lock marker,
// the help file beside the program, a file's folder and name.
#include "base/paths.h"
#include "base/code_pages.h"
#include "base/path_label.h"
#include "base/text.h"

#include <cstdio>
#include <cstring>

const char kPathTooLongText[] = "The path is too long: it holds %d bytes, and at most %d fit "
                                "(a letter outside ASCII takes 2 or 3 bytes).\n\n    %s\n";

namespace {

// One buffer per helper and thread: workers build lock and output names
// while the window thread derives its own.
thread_local char changedExtension[kPathChars];
thread_local char replacedExtension[kPathChars];
thread_local char pathDirectory[kPathChars];
thread_local char pathFileName[kPathChars];

// Joins up to four parts into out (kPathChars); false when they do not fit.
bool JoinParts(char* out, const char* a, const char* b, const char* c, const char* d)
{
    size_t la = std::strlen(a), lb = std::strlen(b), lc = std::strlen(c), ld = std::strlen(d);
    if (la + lb + lc + ld >= kPathChars) return false;
    char* p = out;
    std::memcpy(p, a, la); p += la;
    std::memcpy(p, b, lb); p += lb;
    std::memcpy(p, c, lc); p += lc;
    std::memcpy(p, d, ld); p += ld;
    *p = '\0';
    return true;
}

bool WithExtension(const char* path, const char* ext, char* out)
{
    // `path` may be `out` itself: read whole before `out` is written.
    std::string changed = path && ext && std::strlen(path) < kPathChars ? PathWithExtension(path, ext) : std::string();
    if (!path || !ext || std::strlen(path) >= kPathChars || changed.size() >= kPathChars) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out, changed.c_str(), changed.size() + 1);
    return true;
}

}  // namespace

// The longest path a box shows: its start and its end (the file's name)
// around "...", by whole letters; a lone lead byte would show as another letter.
static std::string ShownPath(const char* path)
{
    size_t length = strlen(path);
    if (length <= kPathTooLongShown) return path;
    size_t half = (kPathTooLongShown - 3) / 2;
    size_t head = LetterBoundary(path, half, ProgramCodePage());
    size_t tail = length - half;
    while (tail < length && LetterBoundary(path, tail, ProgramCodePage()) != tail) tail++;
    return std::string(path, head) + "..." + (path + tail);
}

// A path has no blank to break at, so a box would grow as wide as the path
// and run off the screen: it is put in indented lines of at most half the
// screen's width in the box's font.
static std::string InBoxLines(const std::string& path)
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return path;
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontIndirectA(&metrics.lfMessageFont);
    HGDIOBJ old = SelectObject(dc, font);
    std::string lines = WrapPathToWidth(dc, path.c_str(), GetSystemMetrics(SM_CXSCREEN) / 2);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    for (size_t at = lines.find("\r\n"); at != std::string::npos; at = lines.find("\r\n", at + 5))
        lines.replace(at, 2, "\n    ");
    return lines;
}

std::string PathTooLongMessage(const char* path, size_t bytes, size_t fit)
{
    return Formatted(kPathTooLongText, (int)bytes, (int)fit, InBoxLines(ShownPath(path ? path : "")).c_str());
}

size_t WindowsPathUnits(const std::string& path)
{
    return WideFrom(path, CP_ACP).size();
}

size_t WindowsFolderUnits(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? 0 : WindowsPathUnits(path.substr(0, cut));
}

std::string PathWithExtension(const std::string& path, const char* ext)
{
    // Where SplitPath puts the name: after the last separator, or the drive.
    size_t separator = path.find_last_of("\\/");
    size_t nameStart = separator != std::string::npos ? separator + 1 : path.size() >= 2 && path[1] == ':' ? 2 : 0;
    size_t dot = path.rfind('.');
    size_t end = dot != std::string::npos && dot >= nameStart ? dot : path.size();
    return path.substr(0, end) + ext;
}

bool SplitPath(const char* path, PathParts* parts)
{
    std::memset(parts, 0, sizeof(*parts));
    size_t len = std::strlen(path);
    if (len >= kPathChars) return false;

    const char* rest = path;
    if (len >= 2 && path[1] == ':') {
        parts->drive[0] = path[0];
        parts->drive[1] = ':';
        rest = path + 2;
    }
    const char* nameStart = rest;
    for (const char* s = rest; *s; s++)
        if (*s == '\\' || *s == '/') nameStart = s + 1;
    std::memcpy(parts->dir, rest, (size_t)(nameStart - rest));

    const char* dot = std::strrchr(nameStart, '.');
    if (dot) {
        std::memcpy(parts->name, nameStart, (size_t)(dot - nameStart));
        std::strcpy(parts->ext, dot);
    } else {
        std::strcpy(parts->name, nameStart);
    }
    return true;
}

const char* ChangeFileExtension(const char* path, const char* ext)
{
    WithExtension(path, ext, changedExtension);
    return changedExtension;
}

const char* ReplaceExtension(const char* path, const char* ext)
{
    WithExtension(path, ext, replacedExtension);
    return replacedExtension;
}

int ChangeFileExtensionTo(char* path, const char* ext)
{
    char changed[kPathChars];
    if (!WithExtension(path, ext, changed)) return 0;
    std::strcpy(path, changed);
    return 1;
}

const char* GetPathDirectory(const char* path)
{
    PathParts parts;
    if (!path || !SplitPath(path, &parts) || !JoinParts(pathDirectory, parts.drive, parts.dir, "", ""))
        pathDirectory[0] = '\0';
    return pathDirectory;
}

const char* GetPathFileName(const char* path)
{
    PathParts parts;
    if (!path || !SplitPath(path, &parts) || !JoinParts(pathFileName, parts.name, parts.ext, "", ""))
        pathFileName[0] = '\0';
    return pathFileName;
}
