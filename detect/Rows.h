#pragma once
#include <array>
#include <vector>

#include "detect/InkMap.h"

namespace detect {

// A rectangle of the reduced picture, ends exclusive.
struct Span {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
};

// A connected group of ink pixels, or several merged into one character: the dots of a
// dot-matrix digit, the segments of a seven-segment one.
struct Glyph {
    Span box;
    int pixels = 0;
    long long ink = 0;                       // the sum of the ink strength of its pixels
    long long red = 0, green = 0, blue = 0;  // sums over its pixels
};

// The ink levels strokes are cut at, each on its own: a faint imprint on a plain ground shows at
// the lowest, a bright one on busy ground comes apart from it only at a higher one.
constexpr int kStrokeLevels[] = {24, 36, 56, 80, 112, 160};

// The glyphs at one level; `around` is the ink's LocalMaximum over the stroke window.
std::vector<Glyph> FindGlyphs(const Plane<std::int16_t>& ink, const Plane<std::int16_t>& around,
                              const Plane<std::uint32_t>& rgb, int level);

// A row of digit-sized glyphs at one height, running along the picture's width (`upright`) or
// along its height (a photo turned from portrait). `box` covers its glyphs, separators included.
struct GlyphRow {
    bool upright = true;
    Span box;
    std::vector<int> glyphs;  // digit-sized members, by position along the row
    std::vector<int> marks;   // separators and other small members
    double digitHeight = 0;   // across the row
};

std::vector<GlyphRow> FindRows(const std::vector<Glyph>& glyphs, int width, int height);

// What the scorer weighs about a row. The names are in kRowFeatureNames, in order.
constexpr int kRowFeatures = 15;
using RowFeatures = std::array<double, kRowFeatures>;
extern const char* const kRowFeatureNames[kRowFeatures];

// The mean colour of the row's strokes (0x00RRGGBB).
std::uint32_t RowColour(const GlyphRow& row, const std::vector<Glyph>& glyphs);

// `level` is the stroke level the row's glyphs were cut at.
RowFeatures DescribeRow(const GlyphRow& row, const std::vector<Glyph>& glyphs,
                        const Plane<std::int16_t>& ink, int width, int height, int level);

}  // namespace detect
