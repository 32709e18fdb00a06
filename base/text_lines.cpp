// Buffered reading of text files in 254-character pieces or whole lines.
#include "base/text_lines.h"
#include "base/file_io.h"
#include "base/heap.h"
#include <cstring>

constexpr uint32_t kBufferBytes = 1u << 20;
// CRs a line end may carry before its LF and still be one end; a longer run
// is taken for text.
constexpr uint32_t kEndCRs = 8;

struct TextLines {
    VFile    file;
    char*    buffer;
    uint32_t start, end;
    int64_t  size;       // the file's size when the pass began
    int64_t  read;       // bytes of it read so far
    int      atEnd;
    int      failed;     // a read or rewind failed: the end seen is not the file's end
    int      atStart;    // nothing read yet: a byte-order mark may lead
    int      lastSeen;   // the file's last byte was looked at for the DOS mark
};

static void StartPass(TextLines* r)
{
    r->start = r->end = 0;
    r->read = 0;
    r->size = VFileSize(r->file);
    r->atEnd = r->failed = r->lastSeen = 0;
    r->atStart = 1;
}

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
    StartPass(r);
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
    r->read += (int64_t)got;
    // The first read brings at least the mark's three bytes unless the file is shorter.
    if (r->atStart) {
        r->atStart = 0;
        if (r->end - r->start >= 3 && memcmp(r->buffer + r->start, "\xEF\xBB\xBF", 3) == 0) r->start += 3;
    }
    // DOS editors closed a file with 0x1A: the end of the text, no line of it.
    if (!r->lastSeen && r->size >= 0 && r->read >= r->size) {
        r->lastSeen = 1;
        if (r->end > r->start && r->buffer[r->end - 1] == '\x1A') r->end--;
    }
    if (r->start == r->end) return Fill(r);
    return true;
}

int NextTextLine(TextLines* r, char* line)
{
    // A whole piece and its line end lie in the buffer unless the file ends first.
    if (r->end - r->start < kTextPieceChars + kEndCRs + 1) Fill(r);
    uint32_t available = r->end - r->start;
    if (available == 0) return -1;
    const char* from = r->buffer + r->start;
    uint32_t look = available < kTextPieceChars + kEndCRs ? available : kTextPieceChars + kEndCRs;
    const char* newline = (const char*)memchr(from, '\n', look);
    uint32_t length = kTextPieceChars, taken = kTextPieceChars;   // text running on past the piece
    if (newline || available <= kTextPieceChars) {
        // The line (or the file) ends here. Its end counts one character of
        // the piece, however many CRs it carries.
        uint32_t text = newline ? (uint32_t)(newline - from) : available;
        uint32_t kept = text;
        while (kept > 0 && from[kept - 1] == '\r') kept--;
        if (!newline || kept < kTextPieceChars) {
            length = kept;
            taken = newline ? text + 1 : text;
        }
    }
    r->start += taken;
    memcpy(line, from, length);
    line[length] = 0;
    return (int)length;
}

int NextWholeTextLine(TextLines* r, char* line, int size)
{
    uint64_t length = 0;   // bytes before the LF, the end's CRs among them
    uint64_t endCRs = 0;   // the CRs that close those bytes
    bool any = false;
    for (;;) {
        if (r->start == r->end && !Fill(r)) break;
        any = true;
        const char* from = r->buffer + r->start;
        uint32_t available = r->end - r->start;
        const char* newline = (const char*)memchr(from, '\n', available);
        uint32_t take = newline ? (uint32_t)(newline - from) : available;
        // Kept while it may still fit: whether it does is known once the end's CRs are cut.
        if (length < (uint64_t)size) {
            uint64_t room = (uint64_t)size - length;
            memcpy(line + length, from, take < room ? take : (size_t)room);
        }
        uint32_t text = take;
        while (text > 0 && from[text - 1] == '\r') text--;
        endCRs = text == 0 ? endCRs + take : take - text;
        length += take;
        r->start += take + (newline ? 1 : 0);
        if (newline) break;
    }
    if (!any) return -1;
    length -= endCRs;
    if (length >= (uint64_t)size) {
        if (size > 0) line[0] = 0;
        return kTextLineTooLong;
    }
    line[length] = 0;
    return (int)length;
}

int RewindTextLines(TextLines* r)
{
    StartPass(r);
    if (VFileSeek(r->file, 0)) return 1;
    // The next pass would read nothing and take that for the end of the file.
    r->failed = r->atEnd = 1;
    return 0;
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

bool TextLineHasControlByte(const char* line, int length)
{
    for (int i = 0; i < length; i++)
        if ((unsigned char)line[i] < 0x20 && line[i] != '\t') return true;
    return false;
}
