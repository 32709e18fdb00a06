// The program's own text on a device context, and the fixed-pitch font it is
// shown in. GDI's "A" text calls read their bytes by the character set of the
// selected font, and no font's character set is UTF-8: they would draw and
// measure "Репер" as "Ð ÐµÐ¿ÐµÑ€". These take program text and call the W functions.
#pragma once
#include <windows.h>

// The face of the fixed-pitch fonts: the TrueType Courier, which holds
// Cyrillic, Greek and Central European letters; the raster "Courier" holds
// the Western ones alone.
extern const char kFixedFontFace[];

// Fills `font` for the fixed-pitch face at `height` and `weight`, every other
// field 0 but the character set (DEFAULT_CHARSET, the user's script) and the
// pitch and family (fixed, modern: without the face the mapper picks another
// fixed-pitch one).
void  FillFixedFont(LOGFONTA* font, int height, int weight);
HFONT CreateFixedFont(int height, int weight);

// The size of the first `length` bytes of `text` (all of it when negative).
SIZE ProgramTextExtent(HDC dc, const char* text, int length = -1);
// Writes `text` at (x, y) as TextOut does.
BOOL DrawProgramText(HDC dc, int x, int y, const char* text);
