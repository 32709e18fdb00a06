// POI labels use one fixed font so that names line up under their markers
// at any view scale.
#include "views/plan/marker_font.h"
#include <cstring>

void CreateMarkerFont(LOGFONTA* font, HDC dc)
{
    memset(font, 0, sizeof *font);
    font->lfHeight = GetDeviceCaps(dc, LOGPIXELSY) * 12 / 72;
    font->lfWeight = FW_BOLD;
    lstrcpyA(font->lfFaceName, "Courier");
}
