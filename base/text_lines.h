// The one reader of text files: in pieces of at most 254 characters, as a
// 256-byte line buffer reads them (a longer line comes back as several
// pieces), or in whole lines up to a given length, a longer line reported
// rather than cut. The line end (LF or CRLF) is cut, so both kinds of file
// read the same, and a UTF-8 byte-order mark at the start of the file is
// passed over. A failed read ends the lines but is kept apart from the end
// of the file: ask TextLinesFailed before taking the lines for the whole.
#pragma once
#include <cstdint>

constexpr int kTextPieceChars = 254;
// NextWholeTextLine's answer for a line longer than the buffer.
constexpr int kTextLineTooLong = -2;

struct TextLines;

TextLines* OpenTextLines(const char* path);
// The next piece into `line` (kTextPieceChars + 1 bytes, terminated); its
// length, or -1 at the end of the file or after a failed read.
int     NextTextLine(TextLines* reader, char* line);
// The next whole line into `line` (`size` bytes, terminated, line end cut);
// its length, -1 at the end of the file or after a failed read, or
// kTextLineTooLong when it does not fit `size` (the rest of that line is
// passed over, `line` is empty). The length counts NUL bytes in the line.
int     NextWholeTextLine(TextLines* reader, char* line, int size);
int     RewindTextLines(TextLines* reader);
int64_t TextLinesFileSize(TextLines* reader);
// Nonzero when a read failed since opening or the last rewind: the lines
// seen so far are not the whole file.
int     TextLinesFailed(TextLines* reader);
void    CloseTextLines(TextLines* reader);
