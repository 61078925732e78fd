// The two speed bars near the lower left corner.
#pragma once

#include "host/float_bits.h"

// Text scale of both labels, 0.2.
inline constexpr float kSpeedLabelScale = floatFromBits(0x3E4CCCCDu);
// Height of every bar, 0.01.
inline constexpr float kSpeedBarHeight = floatFromBits(0x3C23D70Au);

enum class SpeedBand { High, AtTwo, Middle, Low };

struct BandStyle {
    SpeedBand band;
    unsigned red, green, blue;
    float nudge;  // subtracted from the label's x
};

bool isDefinitelyGreater(float a, float b);
bool isApproximatelyEqual(float a, float b);
BandStyle selectSpeedBand(float value);

void drawSpeedBars(bool mounted);

// The label buffers, rewritten in every frame in which the bars are drawn.
extern char desiredSpeedLabel[64];
extern char reportedSpeedLabel[64];
