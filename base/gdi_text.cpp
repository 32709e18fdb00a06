// Program text drawn and measured through the W calls; the fixed-pitch font.
#include "base/gdi_text.h"
#include "base/code_pages.h"
#include "base/text.h"
#include <cstring>
#include <string>

const char kFixedFontFace[] = "Courier New";

void FillFixedFont(LOGFONTA* font, int height, int weight)
{
    memset(font, 0, sizeof *font);
    font->lfHeight = height;
    font->lfWeight = weight;
    font->lfCharSet = DEFAULT_CHARSET;
    font->lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    CopyBounded(font->lfFaceName, LF_FACESIZE, kFixedFontFace);
}

HFONT CreateFixedFont(int height, int weight)
{
    LOGFONTA font;
    FillFixedFont(&font, height, weight);
    return CreateFontIndirectA(&font);
}

// Program text is in the active code page: UTF-8 where Windows honours the
// manifest, the system's own code page where it does not.
static std::u16string Wide(const char* text, int length)
{
    if (!text) return std::u16string();
    return WideFrom(std::string(text, length < 0 ? strlen(text) : (size_t)length), CP_ACP);
}

SIZE ProgramTextExtent(HDC dc, const char* text, int length)
{
    std::u16string wide = Wide(text, length);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, (const WCHAR*)wide.c_str(), (int)wide.size(), &size);
    return size;
}

BOOL DrawProgramText(HDC dc, int x, int y, const char* text)
{
    std::u16string wide = Wide(text, -1);
    return TextOutW(dc, x, y, (const WCHAR*)wide.c_str(), (int)wide.size());
}
