// Text between code pages: the program's own (UTF-8 where Windows honours
// its manifest), UTF-16 for the W calls, and the code pages that stored
// text was written in: the one a table declares, or, for files this program
// wrote before it spoke UTF-8 and files of other programs, the system's own.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// `text` in code page `codePage` as UTF-16; empty when it does not convert.
// char16_t, for a winelib wchar_t is not WCHAR.
std::u16string WideFrom(const std::string& text, unsigned codePage);
// UTF-16 `wide` (terminated) in code page `codePage`; empty when it does not
// convert. With `standIn`, a letter the code page lacks becomes its default
// character ("?") rather than a letter like it ("C" for "Č"), which would
// name another file. `codePage` is then a number, not CP_ACP.
std::string    NarrowFrom(const char16_t* wide, unsigned codePage, bool standIn = false);
// How many of the first `bytes` bytes of `text` (all of which are there) end
// at a letter boundary in `codePage`: `bytes`, or less when a letter of two
// or more bytes would be split there.
size_t LetterBoundary(const char* text, size_t bytes, unsigned codePage);

// The system's own ANSI code page, the one the program's text calls spoke
// before it declared UTF-8 (GetACP() answers 65001 where Windows honours
// that): the system locale's, 1252 when that names none or names UTF-8.
unsigned SystemCodePage();
// Tests: the system's code page is taken to be `codePage`; 0 asks the system again.
void SetSystemCodePageForTests(unsigned codePage);

// The code page a dBASE table declares, from what the shapefile library
// gives for it: the text of its .cpg ("UTF-8", "1251", "CP1251",
// "windows-1251", "ANSI 1251", "ISO-8859-5", "88595" ...) or "LDID/n" for
// its language byte. 65001 for UTF-8; 0 when it names no specific code page
// (none, LDID 0 and 87, which say "the system's", or one this system lacks).
unsigned DeclaredCodePage(const char* declaration);

// True when `text` is valid UTF-8 and holds a letter of two or more bytes:
// text in a single-byte code page all but never is.
bool IsMultiByteUTF8(const std::string& text);
// The code page the program's text is in, the one its A calls speak:
// GetACP(), which is UTF-8 where Windows honours the manifest and the
// system's own code page where it does not (Windows before 10 version 1903).
unsigned ProgramCodePage();
// Tests: the program's code page is taken to be `codePage`; 0 asks GetACP() again.
void SetProgramCodePageForTests(unsigned codePage);
// What a table the program writes declares in its .cpg for text in
// `codePage`: "UTF-8", else the code page's number.
std::string CodePageDeclaration(unsigned codePage);

// `stored` as the program's own text: read in `declared` (see
// DeclaredCodePage) when that names a code page other than UTF-8; else
// taken for UTF-8 when it is valid UTF-8, also when its only fault is a last
// letter cut short (dropped then) and the text before it holds a letter of
// two or more bytes (any text before it, when `declared` is UTF-8); else
// read in the system's code page. Then converted into the program's code
// page, where a letter that code page lacks becomes its stand-in character
// ("?"); bytes already in the program's code page are kept as they are. So
// a folder stored as "Donn\xe9es" on a Western system, or
// "\xc4\xe0\xed\xed\xfb\xe5" on a Russian one, finds "Données" or
// "Данные" again.
std::string StoredTextAsProgramText(const std::string& stored, unsigned declared = 0);
// The letters `stored` holds, read in the code page StoredTextAsProgramText
// reads them in, as UTF-8, which holds them all.
std::string StoredTextAsUTF8(const std::string& stored, unsigned declared = 0);
// Text in the program's code page as UTF-8.
std::string ProgramTextAsUTF8(const std::string& text);
// The code page the texts of one file that declares none were written in:
// UTF-8 when each of them alone would be read as UTF-8, else the system's,
// for a line of accented letters that happen to pair as UTF-8 says nothing
// of its file.
unsigned StoredFileCodePage(const std::vector<std::string>& texts);
