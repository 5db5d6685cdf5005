#pragma once
#include <cstdint>

#include "detect/ImprintFinder.h"

namespace detect {

// What is known of a row before its box is fitted: where its strokes are (in the picture's
// pixels), how tall its digits are, which way it runs and its colour (0x00RRGGBB).
struct RowSketch {
    Box strokes;
    double digitHeight = 0;
    bool upright = true;
    std::uint32_t colour = 0;
};

// The box of the pixels the imprint changed, glow included, found in the full picture around
// the sketch: pixels that differ from the ground around the row towards the imprint's colour,
// followed outwards from the strokes. Empty (width 0) when the ground cannot be told apart from
// the imprint there, and the caller keeps its own estimate.
Box FitBox(const PictureView& picture, const RowSketch& row);

}  // namespace detect
