#pragma once
#include <vector>

#include "detect/ImprintFinder.h"
#include "detect/Rows.h"

namespace detect {

// A row of glyphs that may be an imprint: its box in the picture's pixels (glow included), what
// the scorer weighs, and the score (the log-odds that it is an imprint).
struct Candidate {
    Box box;
    bool upright = true;
    RowFeatures features{};
    double score = 0;
};

// Every row the finder weighs, best first; FindImprints keeps the best if it scores above zero.
std::vector<Candidate> FindCandidates(const PictureView& picture);

double ScoreRow(const RowFeatures& features);

}  // namespace detect
