// The one reader of text files: in pieces of at most 254 characters, as a
// 256-byte line buffer reads them (a longer line comes back as several
// pieces), or in whole lines up to a given length, a longer line reported
// rather than cut. A line ends at LF or at CR: the CRs right before an LF
// belong to its end (CRLF, and CR CR LF from CRLF text written out again in
// text mode), any other CR is an end of its own (old Macintosh text, and
// files joined from all three kinds), so every kind of file reads the same
// and the same lines fit the limits. A UTF-8 byte-order mark at the start
// and a DOS end-of-file mark (0x1A) as the last byte are passed over. A failed read or rewind ends the lines but
// is kept apart from the end of the file: ask TextLinesFailed before taking
// the lines for the whole.
#pragma once
#include <cstdint>

constexpr int kTextPieceChars = 254;
// Bytes the reader takes from the file at a time: a line end may fall across
// the end of one read.
constexpr uint32_t kTextReadBufferBytes = 1u << 20;
// NextWholeTextLine's answer for a line longer than the buffer.
constexpr int kTextLineTooLong = -2;

struct TextLines;

TextLines* OpenTextLines(const char* path);
// The next piece into `line` (kTextPieceChars + 1 bytes, terminated); its
// length, or -1 at the end of the file or after a failed read. A line end
// counts one character of the piece, however many CRs it carries.
int     NextTextLine(TextLines* reader, char* line);
// The next whole line into `line` (`size` bytes, terminated, line end cut);
// its length, -1 at the end of the file or after a failed read, or
// kTextLineTooLong when it does not fit `size` (the rest of that line is
// passed over, `line` is empty). The length counts NUL bytes in the line.
int     NextWholeTextLine(TextLines* reader, char* line, int size);
// Back to the first line; 0 when the file cannot be read from its start
// again, which TextLinesFailed then reports after the next pass.
int     RewindTextLines(TextLines* reader);
int64_t TextLinesFileSize(TextLines* reader);
// Nonzero when a read or rewind failed since opening or the last good
// rewind: the lines seen so far are not the whole file.
int     TextLinesFailed(TextLines* reader);
void    CloseTextLines(TextLines* reader);

// Whether a line as read holds a control byte (below 0x20, tab aside; NUL
// among them): damaged text whose fields cannot be trusted.
bool    TextLineHasControlByte(const char* line, int length);
