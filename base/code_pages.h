// Text between code pages: the program's own (UTF-8 where Windows honours
// its manifest), UTF-16 for the W calls, and the Windows code page 1252 that
// files written by other programs, or by this one before it spoke UTF-8, hold.
#pragma once
#include <string>

// `text` in code page `codePage` as UTF-16; empty when it does not convert.
// char16_t, for a winelib wchar_t is not WCHAR.
std::u16string WideFrom(const std::string& text, unsigned codePage);
// UTF-16 `wide` (terminated) in code page `codePage`; empty when it does not convert.
std::string    NarrowFrom(const char16_t* wide, unsigned codePage);

// `stored` as the program's own text: unchanged when it is valid UTF-8 or
// when the program does not run in UTF-8 (older Windows, where the stored
// bytes are already in the code page the program speaks); taken as UTF-8
// too when its only fault is a last letter cut short (dropped then) and the
// text before it holds a letter of two or more bytes; otherwise its bytes
// are taken as code page 1252 and given as UTF-8, so that a folder or file
// name stored as "Donn\xe9es" finds "Données" again.
std::string StoredTextAsProgramText(const std::string& stored);
