#include "detect/BoxFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace detect {
namespace {

// How far beyond the strokes the box may reach: along the row, digits too faint to be cut as
// strokes; across it, the glow.
constexpr double kReachAlong = 2.5;   // digit heights
constexpr double kReachAcross = 1.2;  // digit heights
// The ground is read beyond this distance from the strokes, within the reach.
constexpr double kGroundFrom = 0.9;  // digit heights
// The smallest change that counts, in levels along the imprint's colour (the truth of the test
// set counts 8 levels in any channel), and the widest gap between digits along the row.
constexpr double kLeastChange = 10;
constexpr double kWidestGap = 0.9;  // digit heights
// A line across the row counts when this share of it changes, well above the ground's 2 %. A
// column along it must change over a fifth of the strokes' height, as a digit's strokes do and
// the specks of a busy ground beside the row do not.
constexpr double kAcrossShare = 0.1;
constexpr double kAlongShare = 0.2;
// Added on every side, in digit heights.
constexpr double kFaintEdge = 0.06;
// The imprint must stand out from its ground by this much for the fit to be trusted.
constexpr double kLeastContrast = 40;
// Bounds on what the fit may add beyond the strokes, in digit heights. Blur and glow always reach
// a little way, a glow further, and never much beyond half a digit across the row, whatever the
// ground beside them makes the fit believe. Along it the fit may reach as far as it looks
// (kReachAlong), for digits the strokes missed.
struct Least {
    double across, along;
};
constexpr Least kLeastBlurred{0.25, 0.25}, kLeastGlowing{0.45, 0.4};
constexpr double kMostAcross = 0.5;
// A glow shows in the band this far beyond the strokes, where their blur does not reach, as a
// change towards the imprint's colour of this many levels over the ground's, at the median.
constexpr double kGlowBandFrom = 0.08, kGlowBandTo = 0.25;  // digit heights
constexpr double kGlowLevels = 10;

struct Rect {
    int x0, y0, x1, y1;
    bool Inside(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

Rect Grown(const Box& b, double along, double across, bool upright, const PictureView& p) {
    const double gx = upright ? along : across, gy = upright ? across : along;
    return {std::max(0, static_cast<int>(b.x - gx)), std::max(0, static_cast<int>(b.y - gy)),
            std::min(p.width, static_cast<int>(std::ceil(b.x + b.width + gx))),
            std::min(p.height, static_cast<int>(std::ceil(b.y + b.height + gy)))};
}

std::array<double, 3> Channels(std::uint32_t p) {
    return {double((p >> 16) & 0xff), double((p >> 8) & 0xff), double(p & 0xff)};
}

std::uint32_t Pixel(const PictureView& p, int x, int y) {
    return p.pixels[static_cast<std::ptrdiff_t>(y) * p.stride + x];
}

double Median(std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// From line `from`, the lines reached outwards (step -1 or +1) while `marked` holds, crossing
// gaps of at most `gap` lines; returns the last marked line.
int Follow(const std::vector<int>& counts, int from, int step, int gap, int least) {
    int last = from, missing = 0;
    for (int i = from; i >= 0 && i < static_cast<int>(counts.size()); i += step) {
        if (counts[i] >= least) {
            last = i;
            missing = 0;
        } else if (++missing > gap) {
            break;
        }
    }
    return last;
}

// The median change of the band just beyond the strokes on both sides of the row: a long band
// sees a faint glow through a busy ground that single pixels do not.
template <typename Change>
double BandChange(const PictureView& p, const RowSketch& row, const Change& change) {
    const Box& s = row.strokes;
    const double h = row.digitHeight;
    const bool up = row.upright;
    const int from = static_cast<int>(std::ceil(kGlowBandFrom * h));
    const int to = std::max(from + 1, static_cast<int>(std::ceil(kGlowBandTo * h)));
    const int a0 = std::max(0, up ? s.x : s.y);
    const int a1 = std::min(up ? p.width : p.height, (up ? s.x + s.width : s.y + s.height));
    const int c0 = up ? s.y : s.x, c1 = c0 + (up ? s.height : s.width);
    const int acrossEnd = up ? p.height : p.width;
    std::vector<double> band;
    for (int a = a0; a < a1; ++a)
        for (int d = from; d < to; ++d)
            for (const int c : {c0 - 1 - d, c1 + d})
                if (c >= 0 && c < acrossEnd) band.push_back(up ? change(a, c) : change(c, a));
    return band.size() < 16 ? 0.0 : Median(band);
}

}  // namespace

Box FitBox(const PictureView& picture, const RowSketch& row) {
    const double h = row.digitHeight;
    const Rect reach = Grown(row.strokes, kReachAlong * h, kReachAcross * h, row.upright, picture);
    // The ground lies above and below the row, not along it: digits the strokes missed are there.
    const Rect near = Grown(row.strokes, kReachAlong * h, kGroundFrom * h, row.upright, picture);

    // The ground: the median colour of the reach outside the near surround.
    std::array<std::vector<double>, 3> ground;
    for (int y = reach.y0; y < reach.y1; ++y)
        for (int x = reach.x0; x < reach.x1; ++x)
            if (!near.Inside(x, y)) {
                const auto c = Channels(Pixel(picture, x, y));
                for (int k = 0; k < 3; ++k) ground[k].push_back(c[k]);
            }
    if (ground[0].size() < 16) return {};
    std::array<double, 3> base{}, towards{};
    const auto ink = Channels(row.colour);
    double length = 0;
    for (int k = 0; k < 3; ++k) {
        base[k] = Median(ground[k]);
        towards[k] = ink[k] - base[k];
        length += towards[k] * towards[k];
    }
    length = std::sqrt(length);
    if (length < kLeastContrast) return {};
    for (double& t : towards) t /= length;

    // The change towards the imprint's colour; what the ground itself reaches sets the bar.
    const auto change = [&](int x, int y) {
        const auto c = Channels(Pixel(picture, x, y));
        return (c[0] - base[0]) * towards[0] + (c[1] - base[1]) * towards[1] +
               (c[2] - base[2]) * towards[2];
    };
    std::vector<double> groundChange;
    for (int y = reach.y0; y < reach.y1; ++y)
        for (int x = reach.x0; x < reach.x1; ++x)
            if (!near.Inside(x, y)) groundChange.push_back(change(x, y));
    std::nth_element(
        groundChange.begin(),
        groundChange.begin() + static_cast<std::ptrdiff_t>(groundChange.size() * 98 / 100),
        groundChange.end());
    const double bar = std::max(kLeastChange, groundChange[groundChange.size() * 98 / 100]);
    const Least least = BandChange(picture, row, change) - Median(groundChange) > kGlowLevels
                            ? kLeastGlowing
                            : kLeastBlurred;

    const int w = reach.x1 - reach.x0, hgt = reach.y1 - reach.y0;
    std::vector<int> columns(w, 0), lines(hgt, 0);
    const Rect strokes{row.strokes.x, row.strokes.y, row.strokes.x + row.strokes.width,
                       row.strokes.y + row.strokes.height};
    for (int y = reach.y0; y < reach.y1; ++y)
        for (int x = reach.x0; x < reach.x1; ++x)
            if (change(x, y) > bar) {
                // Columns count within the strokes' lines, lines within their columns, so that
                // the ground beside the row does not stretch it.
                if (y >= strokes.y0 && y < strokes.y1) ++columns[x - reach.x0];
                if (x >= strokes.x0 && x < strokes.x1) ++lines[y - reach.y0];
            }
    std::vector<int>& along = row.upright ? columns : lines;
    std::vector<int>& across = row.upright ? lines : columns;
    const int alongStart = row.upright ? reach.x0 : reach.y0;
    const int acrossStart = row.upright ? reach.y0 : reach.x0;
    const int u0 = (row.upright ? strokes.x0 : strokes.y0) - alongStart;
    const int u1 = (row.upright ? strokes.x1 : strokes.y1) - alongStart;
    const int v0 = (row.upright ? strokes.y0 : strokes.x0) - acrossStart;
    const int v1 = (row.upright ? strokes.y1 : strokes.x1) - acrossStart;
    const int gap = static_cast<int>(kWidestGap * h);
    const int middle = (v0 + v1) / 2, rowGap = std::max(1, static_cast<int>(0.15 * h));
    const int alongLeast = std::max(1, static_cast<int>(kAlongShare * (v1 - v0)));
    const int acrossLeast = std::max(2, static_cast<int>(kAcrossShare * (u1 - u0)));
    const int first =
        Follow(along, std::clamp(u0, 0, static_cast<int>(along.size()) - 1), -1, gap, alongLeast);
    const int last = Follow(along, std::clamp(u1 - 1, 0, static_cast<int>(along.size()) - 1), 1,
                            gap, alongLeast);
    const int from = std::clamp(middle, 0, static_cast<int>(across.size()) - 1);
    const int top = Follow(across, from, -1, rowGap, acrossLeast);
    const int bottom = Follow(across, from, 1, rowGap, acrossLeast);
    // A little more on every side: the faint edge of the blur, below what the bar lets count.
    const int edge = 1 + static_cast<int>(kFaintEdge * h);
    const auto bounded = [h](int fitted, int strokeEdge, int outwards, double least, double most) {
        const int nearest = strokeEdge + outwards * static_cast<int>(std::ceil(least * h));
        const int farthest = strokeEdge + outwards * static_cast<int>(std::ceil(most * h));
        return outwards < 0 ? std::clamp(fitted, farthest, nearest)
                            : std::clamp(fitted, nearest, farthest);
    };
    const int a0 = bounded(std::min(first, u0) + alongStart - edge, u0 + alongStart, -1,
                           least.along, kReachAlong);
    const int a1 = bounded(std::max(last + 1, u1) + alongStart + edge, u1 + alongStart, 1,
                           least.along, kReachAlong);
    const int c0 = bounded(std::min(top, v0) + acrossStart - edge, v0 + acrossStart, -1,
                           least.across, kMostAcross);
    const int c1 = bounded(std::max(bottom + 1, v1) + acrossStart + edge, v1 + acrossStart, 1,
                           least.across, kMostAcross);
    const int x0 = std::max(0, row.upright ? a0 : c0),
              x1 = std::min(picture.width, row.upright ? a1 : c1);
    const int y0 = std::max(0, row.upright ? c0 : a0),
              y1 = std::min(picture.height, row.upright ? c1 : a1);
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace detect
