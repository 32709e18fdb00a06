// The 16-to-8-bit colour stretch of LAS and LAZ loads.
#include "data/color_stretch.h"
#include "base/heap.h"


ScopedColorStretch::ScopedColorStretch() : stretch((ColorStretch*)NBLCalloc(1, sizeof(ColorStretch))) {}
ScopedColorStretch::~ScopedColorStretch() { NBLFree(stretch); }

int FinishColorStretch(ColorStretch* s)
{
    uint64_t total = 0;
    for (uint32_t count : s->histogram) total += count;
    uint64_t clip = (uint64_t)(total * 0.001);
    int low = 0, high = 0;
    uint64_t sum = 0;
    for (int i = 0; i < 65536; i++) {
        sum += s->histogram[i];
        if (sum > clip) {
            low = i;
            break;
        }
    }
    sum = 0;
    for (int i = 65535; i >= 0; i--) {
        sum += s->histogram[i];
        if (sum > clip) {
            high = i;
            break;
        }
    }
    if (total == 0) low = high = 0;
    int hasColor = high > 1;
    if (high <= 255) {
        low = 0;
        high = 255;
    }
    s->low = low;
    s->high = high;
    // One grey level for every point would divide by zero: show it at full brightness.
    s->flat = high <= low;
    s->scale = s->flat ? 0.0f : (float)(256.0 / (high - low));
    for (int channel = 0; channel < 65536; channel++) {
        float v = (float)(channel - low) * s->scale;
        int c = (int)v;   // truncated toward zero
        s->stretched[channel] = s->flat ? 255 : (uint8_t)(c < 0 ? 0 : c > 255 ? 255 : c);
    }
    return hasColor;
}
