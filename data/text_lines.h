// Reads point text files in pieces of at most 254 characters, as a 256-byte
// line buffer does: a longer line comes back as several lines; or in whole
// lines up to a given length. The line end (LF or CRLF) is cut, so both kinds
// of file read the same.
#pragma once
#include <cstdint>

constexpr int kTextPieceChars = 254;

struct TextLines;

TextLines* OpenTextLines(const char* path);
// The next piece into `line` (kTextPieceChars + 1 bytes, terminated); its
// length, or -1 at the end of the file.
int     NextTextLine(TextLines* reader, char* line);
// The next whole line into `line` (`size` bytes, terminated, line end cut);
// its length, -1 at the end of the file, or -2 when it does not fit `size`
// (the rest of that line is passed over, `line` is empty).
int     NextWholeTextLine(TextLines* reader, char* line, int size);
int     RewindTextLines(TextLines* reader);
int64_t TextLinesFileSize(TextLines* reader);
// Nonzero when a read failed since opening or the last rewind: the lines
// seen so far are not the whole file.
int     TextLinesFailed(TextLines* reader);
void    CloseTextLines(TextLines* reader);
