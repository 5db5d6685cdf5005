#pragma once
// The row scorer, written by bench/imprints/train_scorer.py from the tuning photos of the set
// bench/imprints/make_set.py makes. Do not edit by hand.
#include "detect/Rows.h"

namespace detect {

// A tree of two levels: feature[0] <= threshold[0] leads to node 1, else node 2; node n sends
// feature[n] <= threshold[n] to leaf 2(n-1), else to leaf 2(n-1)+1.
struct ScoreTree {
    int feature[3];
    double threshold[3];
    double leaf[4];
};

inline constexpr double kRowBias = -1;
inline constexpr ScoreTree kRowTrees[] = {{{9, 9, 9}, {0.3, 0.3, 0.3}, {0, 0, 2, 2}}};

// The glow and blur around the strokes when the box cannot be fitted to the picture: this share
// of the digit height, plus this many pixels of the reduced picture.
inline constexpr double kGlowPerDigitHeight = 0.35;
inline constexpr double kGlowReducedPixels = 1;

}  // namespace detect
