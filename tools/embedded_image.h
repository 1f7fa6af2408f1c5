// The image the tool renders when no input file is given.
#pragma once

#include "tools/packed_dib.h"

namespace dibtool {

constexpr int kEmbeddedWidth = 384;
constexpr int kEmbeddedHeight = 288;

// A 24-bit test card, generated with integer arithmetic only so that it is
// the same on every machine: a hue gradient fading from white to black
// (smooth colour, which shows dithering), a grey ramp and a 16-step grey
// staircase, a zone plate (fine detail, which shows scaling and aliasing),
// text in three sizes (sharp edges), one-pixel patterns and colour swatches.
PackedDib MakeEmbeddedImage();

}  // namespace dibtool
