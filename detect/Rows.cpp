#include "detect/Rows.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace detect {
namespace {

// Ink strength a stroke must reach: the strokes of an imprint stand out by far more than a
// JPEG's ringing or the grain of a film (kStrokeLevels); kWeak counts what else around a row is
// inked.
constexpr int kWeak = 28;

struct UnionFind {
    std::vector<int> parent;
    explicit UnionFind(int n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
    int Find(int i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    }
    void Join(int a, int b) { parent[Find(a)] = Find(b); }
};

Span Union(const Span& a, const Span& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

void Absorb(Glyph& into, const Glyph& g) {
    into.box = Union(into.box, g.box);
    into.pixels += g.pixels;
    into.ink += g.ink;
    into.red += g.red;
    into.green += g.green;
    into.blue += g.blue;
}

using Marks = std::vector<std::uint8_t, ScratchAllocator<std::uint8_t>>;

// Floods the 8-connected pixels from `start` that `take` accepts, marking them in `seen`.
template <typename Take>
void Flood(int start, int w, int h, Marks& seen, std::vector<int>& stack, std::vector<int>& pixels,
           Take take) {
    seen[start] = 1;
    stack.assign(1, start);
    pixels.clear();
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        pixels.push_back(i);
        const int x = i % w, y = i / w;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                const int j = ny * w + nx;
                if (!seen[j] && take(j)) {
                    seen[j] = 1;
                    stack.push_back(j);
                }
            }
    }
}

Glyph Describe(const std::vector<int>& pixels, const Plane<std::int16_t>& ink,
               const Plane<std::uint32_t>& rgb) {
    Glyph g;
    const int w = ink.width;
    g.box = {pixels[0] % w, pixels[0] / w, pixels[0] % w + 1, pixels[0] / w + 1};
    for (int i : pixels) {
        const int x = i % w, y = i / w;
        const std::uint32_t p = rgb.values[i];
        g.box = Union(g.box, {x, y, x + 1, y + 1});
        ++g.pixels;
        g.ink += ink.values[i];
        g.red += (p >> 16) & 0xff;
        g.green += (p >> 8) & 0xff;
        g.blue += p & 0xff;
    }
    return g;
}

// The strokes at one level: pixels of ink at the level or above that reach at least half the
// strongest ink around them. Glow between the digits of an imprint, the blur of a JPEG or a
// film stays well below the strokes it surrounds, so the digits come apart from it and from
// each other.
std::vector<Glyph> ConnectedInk(const Plane<std::int16_t>& ink, const Plane<std::int16_t>& around,
                                const Plane<std::uint32_t>& rgb, int level) {
    const int w = ink.width, h = ink.height;
    Marks seen(ink.values.size());
    for (std::size_t i = 0; i < seen.size(); ++i)
        seen[i] = !(ink.values[i] >= level && 2 * ink.values[i] >= around.values[i]);
    std::vector<Glyph> parts;
    std::vector<int> stack, piece;
    for (int start = 0; start < w * h; ++start) {
        if (seen[start]) continue;
        Flood(start, w, h, seen, stack, piece, [](int) { return true; });
        parts.push_back(Describe(piece, ink, rgb));
    }
    return parts;
}

// How far a part reaches out to join a neighbour: half its thickness, so that the dots of one
// dot-matrix digit and the segments of one seven-segment digit join while the digits, further
// apart than a stroke is thick, mostly stay apart.
int Reach(const Span& s) {
    return std::clamp(std::min(s.Width(), s.Height()) / 2, 1, 4);
}

bool Near(const Span& a, const Span& b) {
    const int reach = Reach(a) + Reach(b);
    return b.x0 - a.x1 <= reach && a.x0 - b.x1 <= reach && b.y0 - a.y1 <= reach &&
           a.y0 - b.y1 <= reach;
}

std::vector<Glyph> MergeIntoGlyphs(std::vector<Glyph> parts) {
    std::sort(parts.begin(), parts.end(),
              [](const Glyph& a, const Glyph& b) { return a.box.x0 < b.box.x0; });
    UnionFind sets(static_cast<int>(parts.size()));
    for (std::size_t i = 0; i < parts.size(); ++i)
        for (std::size_t j = i + 1; j < parts.size() && parts[j].box.x0 <= parts[i].box.x1 + 8; ++j)
            if (Near(parts[i].box, parts[j].box))
                sets.Join(static_cast<int>(i), static_cast<int>(j));
    std::vector<Glyph> glyphs;
    std::vector<int> index(parts.size(), -1);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int root = sets.Find(static_cast<int>(i));
        if (index[root] < 0) {
            index[root] = static_cast<int>(glyphs.size());
            glyphs.push_back(parts[i]);
        } else {
            Absorb(glyphs[index[root]], parts[i]);
        }
    }
    return glyphs;
}

// A glyph's box with the row's direction as u and the direction across it as v.
struct Oriented {
    double u0, u1, v0, v1;
    double Along() const { return u1 - u0; }
    double Across() const { return v1 - v0; }
    double Middle() const { return (v0 + v1) / 2; }
};

Oriented Orient(const Span& s, bool upright) {
    if (upright) return {double(s.x0), double(s.x1), double(s.y0), double(s.y1)};
    return {double(s.y0), double(s.y1), double(s.x0), double(s.x1)};
}

// A digit, or digits run together by their glow: as tall as a digit may be, and no longer
// than a date.
bool DigitSized(const Oriented& o, int shortSide) {
    return o.Across() >= std::max(5.0, 0.008 * shortSide) && o.Across() <= 0.1 * shortSide &&
           o.Along() <= 12 * o.Across();
}

// A row is long enough for a date: three digits or more, each about 0.6 of its height wide.
bool DateLong(const Oriented& row, double digitHeight) {
    return row.Along() >= 1.8 * digitHeight;
}

// Two digits of one row: about as tall, at one height, at most a wide gap apart.
bool SameRow(const Oriented& a, const Oriented& b) {
    const double tall = std::max(a.Across(), b.Across()), small = std::min(a.Across(), b.Across());
    const double gap = std::max(b.u0 - a.u1, a.u0 - b.u1);
    return tall <= 1.6 * small && std::abs(a.Middle() - b.Middle()) <= 0.35 * tall &&
           gap <= 2 * tall;
}

double Median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Takes in what lies in the row's band just beyond its ends or between its digits: separators,
// digits too faint to be cut whole at this level, pieces of the row cut apart by a dim digit.
void Extend(GlyphRow& row, const std::vector<Glyph>& glyphs, const std::vector<Oriented>& o) {
    const double h = row.digitHeight;
    std::vector<char> member(glyphs.size(), 0);
    for (int m : row.glyphs) member[m] = 1;
    for (bool grew = true; grew;) {
        grew = false;
        const Oriented extent = Orient(row.box, row.upright);
        const double middle = (extent.v0 + extent.v1) / 2;
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            const Oriented& g = o[i];
            if (member[i] || g.Across() > 1.3 * h || g.v0 < middle - 0.85 * h ||
                g.v1 > middle + 0.85 * h || g.u0 < extent.u0 - 1.2 * h ||
                g.u1 > extent.u1 + 1.2 * h)
                continue;
            member[i] = 1;
            row.marks.push_back(static_cast<int>(i));
            row.box = Union(row.box, glyphs[i].box);
            grew = true;
        }
    }
}

std::vector<GlyphRow> RowsOneWay(const std::vector<Glyph>& glyphs, bool upright, int shortSide) {
    std::vector<Oriented> o;
    std::vector<char> isDigit;
    std::vector<int> digits;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        o.push_back(Orient(glyphs[i].box, upright));
        isDigit.push_back(DigitSized(o.back(), shortSide));
        if (isDigit.back()) digits.push_back(static_cast<int>(i));
    }
    std::sort(digits.begin(), digits.end(), [&](int a, int b) { return o[a].u0 < o[b].u0; });
    UnionFind sets(static_cast<int>(digits.size()));
    const double longestReach = 2 * 0.1 * shortSide;
    for (std::size_t i = 0; i < digits.size(); ++i)
        for (std::size_t j = i + 1;
             j < digits.size() && o[digits[j]].u0 <= o[digits[i]].u1 + longestReach; ++j)
            if (SameRow(o[digits[i]], o[digits[j]]))
                sets.Join(static_cast<int>(i), static_cast<int>(j));

    std::vector<std::vector<int>> groups(digits.size());
    for (std::size_t i = 0; i < digits.size(); ++i)
        groups[sets.Find(static_cast<int>(i))].push_back(digits[i]);
    std::vector<GlyphRow> rows;
    for (auto& members : groups) {
        if (members.empty()) continue;
        GlyphRow row;
        row.upright = upright;
        row.glyphs = members;
        row.box = glyphs[members[0]].box;
        std::vector<double> heights;
        for (int m : members) {
            row.box = Union(row.box, glyphs[m].box);
            heights.push_back(o[m].Across());
        }
        row.digitHeight = Median(heights);
        if (!DateLong(Orient(row.box, upright), row.digitHeight)) continue;
        Extend(row, glyphs, o);
        rows.push_back(std::move(row));
    }
    return rows;
}

double Mean(const std::vector<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

double Spread(const std::vector<double>& v) {
    const double m = Mean(v);
    double s = 0;
    for (double x : v) s += (x - m) * (x - m);
    return std::sqrt(s / static_cast<double>(v.size()));
}

// The share of the ring around the row, one digit height wide, that holds ink of its own: an
// imprint lies on the photo, not in a crowd of other bright strokes.
double Clutter(const Span& box, double h, const Plane<std::int16_t>& ink) {
    const int m = static_cast<int>(std::ceil(h));
    const int x0 = std::max(0, box.x0 - m), y0 = std::max(0, box.y0 - m);
    const int x1 = std::min(ink.width, box.x1 + m), y1 = std::min(ink.height, box.y1 + m);
    int ring = 0, inked = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            if (x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1) continue;
            ++ring;
            inked += ink.At(x, y) >= kWeak;
        }
    return ring ? static_cast<double>(inked) / ring : 0.0;
}

}  // namespace

const char* const kRowFeatureNames[kRowFeatures] = {
    "length",       "height",  "height_spread", "middle_spread", "end_to_edge",
    "side_to_edge", "warmth",  "colourful",     "bright",        "contrast",
    "density",      "clutter", "glyphs",        "colour_spread", "level"};

std::vector<Glyph> FindGlyphs(const Plane<std::int16_t>& ink, const Plane<std::int16_t>& around,
                              const Plane<std::uint32_t>& rgb, int level) {
    return MergeIntoGlyphs(ConnectedInk(ink, around, rgb, level));
}

std::vector<GlyphRow> FindRows(const std::vector<Glyph>& glyphs, int width, int height) {
    const int shortSide = std::min(width, height);
    std::vector<GlyphRow> rows = RowsOneWay(glyphs, true, shortSide);
    std::vector<GlyphRow> turned = RowsOneWay(glyphs, false, shortSide);
    rows.insert(rows.end(), turned.begin(), turned.end());
    return rows;
}

std::uint32_t RowColour(const GlyphRow& row, const std::vector<Glyph>& glyphs) {
    Glyph all;
    for (int m : row.glyphs) Absorb(all, glyphs[m]);
    const auto mean = [&](long long sum) {
        return static_cast<std::uint32_t>(sum / std::max(1, all.pixels));
    };
    return mean(all.red) << 16 | mean(all.green) << 8 | mean(all.blue);
}

// How far the digits' colours lie from the row's, on average: an imprint is printed in one colour.
double ColourSpread(const GlyphRow& row, const std::vector<Glyph>& glyphs, double r, double g,
                    double b) {
    double sum = 0;
    for (int m : row.glyphs) {
        const Glyph& d = glyphs[m];
        const double n = d.pixels;
        sum += std::abs(d.red / n - r) + std::abs(d.green / n - g) + std::abs(d.blue / n - b);
    }
    return sum / (3 * 255.0 * static_cast<double>(row.glyphs.size()));
}

RowFeatures DescribeRow(const GlyphRow& row, const std::vector<Glyph>& glyphs,
                        const Plane<std::int16_t>& ink, int width, int height, int level) {
    const Oriented box = Orient(row.box, row.upright);
    const double along = row.upright ? width : height, across = row.upright ? height : width;
    std::vector<double> heights, middles;
    Glyph all;
    all.box = row.box;
    for (int m : row.glyphs) {
        const Oriented g = Orient(glyphs[m].box, row.upright);
        heights.push_back(g.Across());
        middles.push_back(g.Middle());
        Absorb(all, glyphs[m]);
    }
    for (int m : row.marks) Absorb(all, glyphs[m]);
    const double h = row.digitHeight, n = all.pixels;
    const double r = all.red / n, g = all.green / n, b = all.blue / n;
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    return {std::log((box.u1 - box.u0) / h),
            h / std::min(width, height),
            Spread(heights) / h,
            Spread(middles) / h,
            std::min(box.u0, along - box.u1) / along,
            std::min(box.v0, across - box.v1) / across,
            (r - b) / 255.0,
            (high - low) / 255.0,
            high / 255.0,
            static_cast<double>(all.ink) / n / 255.0,
            n / (static_cast<double>(row.box.Width()) * row.box.Height()),
            Clutter(row.box, h, ink),
            std::log(1.0 + static_cast<double>(row.glyphs.size() + row.marks.size())),
            ColourSpread(row, glyphs, r, g, b),
            level / 255.0};
}

}  // namespace detect
