#include "detect/ImprintFinder.h"

#include <algorithm>
#include <cmath>

#include "detect/Candidates.h"
#include "detect/InkMap.h"
#include "detect/RowWeights.h"
#include "detect/Rows.h"

namespace detect {
namespace {

// Pictures too small to hold a legible imprint.
constexpr int kSmallestSide = 32;

// Where an imprint sits: within this share of the picture from the edge its row ends at, and
// from the edge along it.
constexpr double kFarthestFromEnd = 0.3;
constexpr double kFarthestFromSide = 0.25;

bool NearCorner(const RowFeatures& f) {
    return f[4] <= kFarthestFromEnd && f[5] <= kFarthestFromSide;
}

// The row's box in the picture, grown to take in the glow and the blur around the strokes.
Box PictureBox(const GlyphRow& row, int factor, const PictureView& picture) {
    const double margin = (kGlowPerDigitHeight * row.digitHeight + kGlowReducedPixels) * factor;
    const int x0 = std::max(0, static_cast<int>(std::floor(row.box.x0 * factor - margin)));
    const int y0 = std::max(0, static_cast<int>(std::floor(row.box.y0 * factor - margin)));
    const int x1 =
        std::min(picture.width, static_cast<int>(std::ceil(row.box.x1 * factor + margin)));
    const int y1 =
        std::min(picture.height, static_cast<int>(std::ceil(row.box.y1 * factor + margin)));
    return {x0, y0, x1 - x0, y1 - y0};
}

// The rows near a corner that the strokes of one ink map form, at every stroke level.
void AddCandidates(const Plane<std::int16_t>& ink, const Reduced& reduced,
                   const PictureView& picture, std::vector<Candidate>& found) {
    const Plane<std::int16_t> around = LocalMaximum(ink, kStrokeWindowRadius);
    const int f = reduced.factor;
    for (const int level : kStrokeLevels) {
        const std::vector<Glyph> glyphs = FindGlyphs(ink, around, reduced.rgb, level);
        for (const GlyphRow& row : FindRows(glyphs, ink.width, ink.height)) {
            Candidate c;
            c.features = DescribeRow(row, glyphs, ink, ink.width, ink.height, level);
            if (!NearCorner(c.features)) continue;
            c.box = PictureBox(row, f, picture);
            c.row = {{row.box.x0 * f, row.box.y0 * f, row.box.Width() * f, row.box.Height() * f},
                     row.digitHeight * f,
                     row.upright,
                     RowColour(row, glyphs)};
            c.score = ScoreRow(c.features);
            found.push_back(c);
        }
    }
}

}  // namespace

double ScoreRow(const RowFeatures& features) {
    double z = kRowBias;
    for (const ScoreTree& t : kRowTrees) {
        const int side = features[t.feature[0]] <= t.threshold[0] ? 1 : 2;
        const int leaf = 2 * (side - 1) + (features[t.feature[side]] <= t.threshold[side] ? 0 : 1);
        z += t.leaf[leaf];
    }
    return z;
}

std::vector<Candidate> FindCandidates(const PictureView& picture, int fitted) {
    if (picture.width < kSmallestSide || picture.height < kSmallestSide || !picture.pixels)
        return {};
    const ScratchScope scratch;
    const Reduced reduced = Reduce(picture);
    std::vector<Candidate> found;
    for (const Plane<std::int16_t>& ink : InkStrengths(reduced.rgb))
        AddCandidates(ink, reduced, picture, found);
    std::stable_sort(found.begin(), found.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    for (int i = 0; i < std::min<int>(fitted, static_cast<int>(found.size())); ++i) {
        const Box box = FitBox(picture, found[i].row);
        if (box.width > 0) found[i].box = box;
    }
    return found;
}

std::vector<Box> FindImprints(const PictureView& picture) {
    const std::vector<Candidate> found = FindCandidates(picture, 1);
    if (found.empty() || found.front().score <= 0) return {};
    return {found.front().box};
}

}  // namespace detect
