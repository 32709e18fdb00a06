// The 16-to-8-bit colour stretch of LAS and LAZ loads: a histogram of grey
// levels from the first pass, clipped by 0.1 % at each end, applied in the
// second pass.
#pragma once
#include <cstdint>

struct ColorStretch {
    uint32_t histogram[65536];
    int low, high;
    float scale;
    bool flat;   // every grey level equal above 8 bits: map to full brightness
    uint8_t stretched[65536];   // every channel value's 8 bits, filled by FinishColorStretch
};


// One load's own stretch, cleared, from the heap and freed when the load
// returns: loads run on several threads at once, and 256 KiB is too much for
// a worker's stack. `stretch` is null when the heap had no room.
struct ScopedColorStretch {
    ColorStretch* stretch;
    ScopedColorStretch();
    ~ScopedColorStretch();
    ScopedColorStretch(const ScopedColorStretch&) = delete;
    ScopedColorStretch& operator=(const ScopedColorStretch&) = delete;
};
inline void AddColorSample(ColorStretch* s, uint16_t r, uint16_t g, uint16_t b)
{
    s->histogram[((uint32_t)r + g + b) / 3]++;
}
// Finds the bounds; returns 1 when the data carries colour (high above 1).
int  FinishColorStretch(ColorStretch* s);
// A finished stretch's 8 bits of a channel.
inline uint8_t StretchChannel(const ColorStretch* s, uint16_t channel) { return s->stretched[channel]; }
