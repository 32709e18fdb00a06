// Bounded copies into fixed text fields, cut between letters; letter counts.
#include "base/text.h"
#include "base/code_pages.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>

int CopyBounded(char* out, size_t outChars, const char* text)
{
    if (outChars == 0) return 0;
    if (!text) text = "";
    size_t n = 0;
    while (n < outChars && text[n]) n++;
    int whole = n < outChars;
    if (!whole) n = LetterBoundary(text, outChars - 1, ProgramCodePage());
    std::memcpy(out, text, n);
    out[n] = '\0';
    return whole;
}

namespace {

// How a code page's letters are walked: UTF-8 by its lead bytes, a
// double-byte code page by its lead byte table, any other a byte a letter.
struct LetterWalk {
    unsigned codePage;
    bool doubleByte;
};

LetterWalk WalkOf(unsigned codePage)
{
    if (codePage == CP_ACP) codePage = ProgramCodePage();
    CPINFO info;
    bool doubleByte = codePage != CP_UTF8 && GetCPInfo(codePage, &info) && info.MaxCharSize >= 2;
    return {codePage, doubleByte};
}

// The bytes of the letter at t (not at the terminator).
size_t LetterLength(const unsigned char* t, const LetterWalk& walk)
{
    if (walk.codePage == CP_UTF8) {
        unsigned lead = t[0];
        size_t length = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        size_t n = 1;   // a letter cut short ends at its last continuation byte
        while (n < length && (t[n] & 0xC0) == 0x80) n++;
        return n;
    }
    if (walk.doubleByte && IsDBCSLeadByteEx(walk.codePage, t[0]) && t[1]) return 2;
    return 1;
}

}  // namespace

size_t LetterBytes(const char* text, size_t letters, unsigned codePage)
{
    LetterWalk walk = WalkOf(codePage);
    const unsigned char* t = (const unsigned char*)text;
    size_t at = 0;
    for (size_t n = 0; n < letters && t[at]; n++) at += LetterLength(t + at, walk);
    return at;
}

size_t LetterCount(const char* text, unsigned codePage)
{
    LetterWalk walk = WalkOf(codePage);
    const unsigned char* t = (const unsigned char*)text;
    size_t n = 0;
    for (size_t at = 0; t[at]; n++) at += LetterLength(t + at, walk);
    return n;
}

std::string Formatted(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(n > 0 ? (size_t)n : 0, '\0');
    if (n > 0) vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    return text;
}
