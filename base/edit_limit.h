// A single-line edit whose text goes into a fixed field of bytes. EM_LIMITTEXT
// counts characters, and where the program speaks UTF-8 a letter outside
// ASCII takes two to four bytes: the edit would take more than the field
// holds, and the rest would be cut when the text is read.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

// Call on the edit's EN_CHANGE: keeps its text within `bytes` bytes of the
// program's text, as EM_LIMITTEXT keeps it within characters. `kept` holds
// the last text that fit (empty before the edit's first text is set). Of
// what a change inserted, only the whole letters that fit stay, the caret
// after them: a letter typed into a full edit does not appear. True when it cut.
bool KeepEditWithinBytes(HWND edit, size_t bytes, std::u16string* kept);
