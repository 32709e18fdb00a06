// Bounded copies into fixed text fields.
#include "base/text.h"

#include <cstring>

int CopyBounded(char* out, size_t outChars, const char* text)
{
    if (outChars == 0) return 0;
    if (!text) text = "";
    size_t n = 0;
    while (n < outChars && text[n]) n++;
    int whole = n < outChars;
    if (!whole) n = outChars - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
    return whole;
}
