#pragma once
#include <vector>

#include "detect/BoxFit.h"
#include "detect/ImprintFinder.h"
#include "detect/Rows.h"

namespace detect {

// A row of glyphs that may be an imprint: its box in the picture's pixels (glow included), what
// the scorer weighs, and the score (the log-odds that it is an imprint).
struct Candidate {
    Box box;
    RowSketch row;
    RowFeatures features{};
    double score = 0;
};

// Every row the finder weighs, best first; FindImprints keeps the best if it scores above zero.
// The first `fitted` get their box fitted to the picture (FitBox), the others a margin around
// their strokes.
std::vector<Candidate> FindCandidates(const PictureView& picture, int fitted);

double ScoreRow(const RowFeatures& features);

}  // namespace detect
