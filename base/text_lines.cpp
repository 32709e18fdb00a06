// Buffered reading of text files in 254-character pieces or whole lines.
#include "base/text_lines.h"
#include "base/file_io.h"
#include "base/heap.h"
#include <cstring>

// CRs a line end may carry before its LF and still be one end; in a longer
// run the CRs before the last eight end empty lines of their own.
constexpr uint32_t kEndCRs = 8;
// A search not made since the buffer last changed.
constexpr uint32_t kUnsearched = UINT32_MAX;

struct TextLines {
    VFile    file;
    char*    buffer;
    uint32_t start, end;
    // The first LF and the first CR at or after `start` (`end` when there is
    // none), kept between lines: a file without CRs is searched for them once
    // a buffer, and a file of CRs alone once for LFs.
    uint32_t lfAt, crAt;
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
    r->lfAt = r->crAt = kUnsearched;
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
    char* buffer = (char*)NBLMalloc(kTextReadBufferBytes);
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
    r->lfAt = r->crAt = kUnsearched;
    uint64_t got = 0;
    int ok = VFileRead(r->file, r->buffer + r->end, kTextReadBufferBytes - r->end, &got);
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

static uint32_t NextByte(const TextLines* r, uint32_t* at, char byte)
{
    if (*at == kUnsearched || *at < r->start) {
        const char* found = (const char*)memchr(r->buffer + r->start, byte, r->end - r->start);
        *at = found ? (uint32_t)(found - r->buffer) : r->end;
    }
    return *at;
}

// Where the line at `start` ends in the buffer: its length, and in `endBytes`
// the bytes its end takes (0 when no end lies in the buffer). An LF ends a
// line, and the CRs before it (at most kEndCRs) belong to that end; any other
// CR ends a line by itself. `undecided` is set when CRs reach the end of
// what was read, so that an LF may yet follow them.
static uint32_t LineEnd(TextLines* r, uint32_t* endBytes, bool* undecided)
{
    uint32_t lf = NextByte(r, &r->lfAt, '\n');
    uint32_t cr = NextByte(r, &r->crAt, '\r');
    *undecided = false;
    if (lf < cr) {
        *endBytes = 1;
        return lf - r->start;
    }
    if (cr == r->end) {
        *endBytes = 0;
        return r->end - r->start;
    }
    uint32_t run = 1;
    while (cr + run < r->end && run <= kEndCRs && r->buffer[cr + run] == '\r') run++;
    *endBytes = cr + run == lf && lf < r->end && run <= kEndCRs ? run + 1 : 1;
    *undecided = cr + run == r->end && run <= kEndCRs && !r->atEnd;
    return cr - r->start;
}

int NextTextLine(TextLines* r, char* line)
{
    // A whole piece and its line end lie in the buffer unless the file ends
    // first (a pipe may give fewer bytes a read).
    while (r->end - r->start < kTextPieceChars + kEndCRs + 1 && Fill(r)) {}
    if (r->end == r->start) return -1;
    const char* from = r->buffer + r->start;
    uint32_t endBytes;
    bool undecided;
    uint32_t text = LineEnd(r, &endBytes, &undecided);
    // The line (or the file) ends within the piece; its end counts one
    // character of it, however many bytes it takes. Otherwise the text runs
    // on past the piece.
    uint32_t length = kTextPieceChars, taken = kTextPieceChars;
    if (text < kTextPieceChars) {
        length = text;
        taken = text + endBytes;
    }
    r->start += taken;
    memcpy(line, from, length);
    line[length] = 0;
    return (int)length;
}

int NextWholeTextLine(TextLines* r, char* line, int size)
{
    uint64_t length = 0;
    bool any = false;
    for (;;) {
        if (r->start == r->end && !Fill(r)) break;
        any = true;
        uint32_t endBytes;
        bool undecided;
        uint32_t text = LineEnd(r, &endBytes, &undecided);
        // Kept while it may still fit: whether it does is known at its end.
        if (length < (uint64_t)size) {
            uint64_t room = (uint64_t)size - length;
            memcpy(line + length, r->buffer + r->start, text < room ? text : (size_t)room);
        }
        length += text;
        r->start += text;
        if (undecided) {
            Fill(r);   // the CRs move to the front; what follows them decides
            continue;
        }
        r->start += endBytes;
        if (endBytes) break;
    }
    if (!any) return -1;
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
