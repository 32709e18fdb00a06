// Bounded copies into fixed text fields, cut between letters.
#include "base/text.h"
#include "base/code_pages.h"

#include <windows.h>
#include <cstring>

size_t LetterBoundary(const char* text, size_t bytes, unsigned codePage)
{
    if (bytes == 0) return 0;
    const unsigned char* t = (const unsigned char*)text;
    if (codePage == CP_UTF8) {
        // The last letter starts at the last byte that is no continuation
        // byte (10xxxxxx); its lead byte says how many bytes it takes.
        size_t start = bytes - 1;
        while (start > 0 && bytes - start < 4 && (t[start] & 0xC0) == 0x80) start--;
        unsigned lead = t[start];
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return start + length > bytes ? start : bytes;
    }
    CPINFO info;
    if (!GetCPInfo(codePage, &info) || info.MaxCharSize < 2) return bytes;
    // A double-byte code page: only a walk from the start tells lead bytes
    // from trail bytes.
    size_t at = 0;
    while (at < bytes) {
        size_t length = IsDBCSLeadByteEx(codePage, t[at]) ? 2 : 1;
        if (at + length > bytes) break;
        at += length;
    }
    return at;
}

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
