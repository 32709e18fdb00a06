// The fixed 20-colour palette of categories (files, scanner channels, flags,
// point source IDs): entry index mod 20.
#pragma once
#include <windows.h>

COLORREF GetPaletteColor(int index);
