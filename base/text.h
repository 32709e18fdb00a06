// Fixed text fields: records and dialogs keep names and paths in char arrays,
// and every copy into one is cut to fit and terminated. Limits are bytes:
// where the program speaks UTF-8 a letter outside ASCII takes two to four of
// them, and a cut never splits one.
#pragma once
#include <cstddef>

// Copies text into out (outChars bytes, the terminator included). Reads no
// more than outChars bytes of text, so a full field that carries no
// terminator copies safely; a null text copies as an empty one. A text too
// long is cut before the letter that does not fit whole, in the code page the
// program speaks. 1 when the text fit whole, 0 when it was cut or out has no
// room at all.
int CopyBounded(char* out, size_t outChars, const char* text);

// How many of the first `bytes` bytes of `text` (all of which are there) end
// at a letter boundary in `codePage`: `bytes`, or less when a letter of two
// or more bytes would be split there.
size_t LetterBoundary(const char* text, size_t bytes, unsigned codePage);
