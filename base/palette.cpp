// The 20-colour category palette.
#include "base/palette.h"

static const COLORREF kPalette[20] = {
    RGB(0, 255, 255),   RGB(255, 255, 128), RGB(255, 0, 255), RGB(255, 0, 0),   RGB(128, 255, 128),
    RGB(0, 0, 255),     RGB(0, 150, 0),     RGB(255, 255, 255), RGB(255, 128, 0), RGB(128, 128, 128),
    RGB(128, 52, 0),    RGB(0, 0, 128),     RGB(150, 150, 0), RGB(150, 0, 150), RGB(255, 0, 128),
    RGB(200, 100, 0),   RGB(0, 255, 0),     RGB(150, 0, 0),   RGB(128, 128, 255), RGB(255, 190, 128),
};

COLORREF GetPaletteColor(int index)
{
    // Callers pass codes >= 0; any other stays in range, INT_MIN included
    // (negated in unsigned arithmetic, where it cannot overflow).
    unsigned magnitude = index < 0 ? 0u - (unsigned)index : (unsigned)index;
    return kPalette[magnitude % 20];
}
