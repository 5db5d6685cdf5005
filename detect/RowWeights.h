#pragma once
// The row scorer's weights, written by bench/imprints/train_scorer.py from the tuning photos.
#include "detect/Rows.h"

namespace detect {

inline constexpr double kRowBias = -2.0;
inline constexpr double kRowMeans[kRowFeatures] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr double kRowScales[kRowFeatures] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
inline constexpr double kRowWeights[kRowFeatures] = {2, 0, -8, -10, -8, -8, 3, 2, 0, 5, 0, -6};

}  // namespace detect
