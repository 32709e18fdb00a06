// POI and AOI sets as the shell sees them: a file path and a saved flag.
#pragma once

struct POISet {
    char path[256];   // empty until loaded or saved
    int saved;        // nonzero when nothing is unsaved
};

struct AOISet {
    char path[256];
    int saved;
};
