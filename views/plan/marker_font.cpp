// POI labels use one fixed font so that names line up under their markers
// at any view scale.
#include "views/plan/marker_font.h"
#include "base/gdi_text.h"

void CreateMarkerFont(LOGFONTA* font, HDC dc)
{
    FillFixedFont(font, GetDeviceCaps(dc, LOGPIXELSY) * 12 / 72, FW_BOLD);
}
