// Fixed text fields: records and dialogs keep names and paths in char arrays,
// and every copy into one is cut to fit and terminated. Limits are bytes:
// where the program speaks UTF-8 a letter outside ASCII takes two to four of
// them, and a cut never splits one.
#pragma once
#include <cstddef>
#include <string>

// Copies text into out (outChars bytes, the terminator included). Reads no
// more than outChars bytes of text, so a full field that carries no
// terminator copies safely; a null text copies as an empty one. A text too
// long is cut before the letter that does not fit whole, in the code page the
// program speaks. 1 when the text fit whole, 0 when it was cut or out has no
// room at all.
int CopyBounded(char* out, size_t outChars, const char* text);

// For limits counted in letters (code points), not bytes: the bytes the
// first `letters` letters of terminated `text` take in `codePage` (0, CP_ACP:
// the one the program speaks), the whole text when it has fewer; and how many
// letters it holds. A byte that starts no letter of the code page is one.
size_t LetterBytes(const char* text, size_t letters, unsigned codePage = 0);
size_t LetterCount(const char* text, unsigned codePage = 0);

// A printf format filled in, of any length: for messages built from several
// parts before they go to a box or the log.
std::string Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
