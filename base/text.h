// Fixed text fields: records and dialogs keep names and paths in char arrays,
// and every copy into one is cut to fit and terminated.
#pragma once
#include <cstddef>

// Copies text into out (outChars bytes, the terminator included). Reads no
// more than outChars bytes of text, so a full field that carries no
// terminator copies safely; a null text copies as an empty one. 1 when the
// text fit whole, 0 when it was cut or out has no room at all.
int CopyBounded(char* out, size_t outChars, const char* text);
