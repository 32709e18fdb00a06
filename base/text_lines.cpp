// Buffered reading of text files in 254-character pieces or whole lines.
#include "base/text_lines.h"
#include "base/file_io.h"
#include "base/heap.h"
#include <cstring>

constexpr uint32_t kBufferBytes = 1u << 20;

struct TextLines {
    VFile    file;
    char*    buffer;
    uint32_t start, end;
    int      atEnd;
    int      failed;  // a read failed: the end seen is not the file's end
    int      atStart; // nothing read yet: a byte-order mark may lead
};

TextLines* OpenTextLines(const char* path)
{
    VFile f = VFileOpenRead(path);
    if (!f) return nullptr;
    TextLines* r = (TextLines*)NBLCalloc(1, sizeof(TextLines));
    char* buffer = (char*)NBLMalloc(kBufferBytes);
    if (!r || !buffer) {
        NBLFree(r);
        NBLFree(buffer);
        VFileClose(f);
        return nullptr;
    }
    r->file = f;
    r->buffer = buffer;
    r->atStart = 1;
    return r;
}

static bool Fill(TextLines* r)
{
    if (r->atEnd) return false;
    memmove(r->buffer, r->buffer + r->start, r->end - r->start);
    r->end -= r->start;
    r->start = 0;
    uint64_t got = 0;
    int ok = VFileRead(r->file, r->buffer + r->end, kBufferBytes - r->end, &got);
    if (!ok) r->failed = 1;
    if (!ok || got == 0) {
        r->atEnd = 1;
        return false;
    }
    r->end += (uint32_t)got;
    // The first read brings at least the mark's three bytes unless the file is shorter.
    if (r->atStart) {
        r->atStart = 0;
        if (r->end - r->start >= 3 && memcmp(r->buffer + r->start, "\xEF\xBB\xBF", 3) == 0) r->start += 3;
        if (r->start == r->end) return Fill(r);
    }
    return true;
}

int NextTextLine(TextLines* r, char* line)
{
    // A whole piece (and its line end) lies in the buffer unless the file ends first.
    if (r->end - r->start < kTextPieceChars + 2) Fill(r);
    uint32_t available = r->end - r->start;
    if (available == 0) return -1;
    const char* from = r->buffer + r->start;
    uint32_t span = available < kTextPieceChars ? available : kTextPieceChars;
    const char* newline = (const char*)memchr(from, '\n', span);
    uint32_t taken = newline ? (uint32_t)(newline - from) + 1 : span;
    r->start += taken;
    int length = (int)(newline ? taken - 1 : taken);
    if (length > 0 && from[length - 1] == '\r') length--;
    memcpy(line, from, length);
    line[length] = 0;
    return length;
}

int NextWholeTextLine(TextLines* r, char* line, int size)
{
    uint64_t length = 0;
    bool any = false, tooLong = false;
    for (;;) {
        if (r->start == r->end && !Fill(r)) break;
        any = true;
        const char* from = r->buffer + r->start;
        uint32_t available = r->end - r->start;
        const char* newline = (const char*)memchr(from, '\n', available);
        uint32_t take = newline ? (uint32_t)(newline - from) : available;
        if (!tooLong && length + take >= (uint64_t)size) tooLong = true;
        if (!tooLong) memcpy(line + length, from, take);
        length += take;
        r->start += take + (newline ? 1 : 0);
        if (newline) break;
    }
    if (!any) return -1;
    if (tooLong) {
        if (size > 0) line[0] = 0;
        return -2;
    }
    if (length > 0 && line[length - 1] == '\r') length--;
    line[length] = 0;
    return (int)length;
}

int RewindTextLines(TextLines* r)
{
    r->start = r->end = 0;
    r->atEnd = 0;
    r->failed = 0;
    r->atStart = 1;
    return VFileSeek(r->file, 0);
}

int64_t TextLinesFileSize(TextLines* r) { return VFileSize(r->file); }

int TextLinesFailed(TextLines* r) { return r->failed; }

void CloseTextLines(TextLines* r)
{
    if (!r) return;
    VFileClose(r->file);
    NBLFree(r->buffer);
    NBLFree(r);
}
