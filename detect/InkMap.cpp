#include "detect/InkMap.h"

#include <algorithm>
#include <array>
#include <limits>

namespace detect {
namespace {

int Red(std::uint32_t p) {
    return static_cast<int>((p >> 16) & 0xff);
}
int Green(std::uint32_t p) {
    return static_cast<int>((p >> 8) & 0xff);
}
int Blue(std::uint32_t p) {
    return static_cast<int>(p & 0xff);
}

// Adds `factor` pixels at a time of one row into the sums of the reduced row: red and blue
// together in the halves of one word (at most 16 × 16 pixels of 255 fit in 16 bits), green apart.
void AddRowPacked(const std::uint32_t* row, int factor, int reducedWidth, std::uint32_t* redBlue,
                  std::uint32_t* green) {
    for (int x = 0; x < reducedWidth; ++x) {
        const std::uint32_t* p = row + static_cast<std::ptrdiff_t>(x) * factor;
        std::uint32_t rb = 0, g = 0;
        for (int i = 0; i < factor; ++i) {
            rb += p[i] & 0x00ff00ffu;
            g += (p[i] >> 8) & 0xffu;
        }
        redBlue[x] += rb;
        green[x] += g;
    }
}

// The same for squares too large for the packed sums: every other row and column of them.
void AddRowSampled(const std::uint32_t* row, int factor, int reducedWidth, std::uint32_t* redBlue,
                   std::uint32_t* green) {
    for (int x = 0; x < reducedWidth; ++x) {
        const std::uint32_t* p = row + static_cast<std::ptrdiff_t>(x) * factor;
        std::uint32_t rb = 0, g = 0;
        for (int i = 0; i < 16; ++i) {
            const std::uint32_t q = p[i * factor / 16];
            rb += q & 0x00ff00ffu;
            g += (q >> 8) & 0xffu;
        }
        redBlue[x] += rb;
        green[x] += g;
    }
}

// The minimum or maximum of each value and its r neighbours above and below (van Herk /
// Gil-Werman: three comparisons a value whatever the window), a whole row at a time so that the
// compiler can work on many values at once. Beyond the ends the picture does not count.
template <typename T, typename Pick>
Plane<T> AlongColumns(const Plane<T>& in, int r, T neutral, Pick pick) {
    const int w = in.width, h = in.height, k = 2 * r + 1;
    const std::vector<T> blank(static_cast<std::size_t>(w), neutral);
    const auto source = [&](int i) {  // row i of the picture padded with r blank rows each end
        const int y = i - r;
        return y >= 0 && y < h ? &in.values[static_cast<std::size_t>(y) * w] : blank.data();
    };
    // Per block of k rows: the picks from each row to the block's end (backward) and from the
    // next block's start to each row (forward). The window of output row b+i takes backward
    // row i and forward row i-1.
    std::vector<T> backward(static_cast<std::size_t>(k) * w), forward(backward.size());
    const auto row = [w](std::vector<T>& v, int i) { return &v[static_cast<std::size_t>(i) * w]; };
    const auto combine = [w, pick](const T* a, const T* b, T* out) {
        for (int x = 0; x < w; ++x) out[x] = pick(a[x], b[x]);
    };
    Plane<T> out(w, h);
    for (int b = 0; b < h; b += k) {
        std::copy_n(source(b + k - 1), w, row(backward, k - 1));
        for (int i = k - 2; i >= 0; --i)
            combine(row(backward, i + 1), source(b + i), row(backward, i));
        std::copy_n(source(b + k), w, row(forward, 0));
        for (int i = 1; i < k; ++i)
            combine(row(forward, i - 1), source(b + k + i), row(forward, i));
        std::copy_n(row(backward, 0), w, &out.values[static_cast<std::size_t>(b) * w]);
        for (int i = 1; i < k && b + i < h; ++i)
            combine(row(backward, i), row(forward, i - 1),
                    &out.values[static_cast<std::size_t>(b + i) * w]);
    }
    return out;
}

template <typename T>
Plane<T> Transposed(const Plane<T>& in) {
    constexpr int kTile = 32;
    Plane<T> out(in.height, in.width);
    for (int y0 = 0; y0 < in.height; y0 += kTile)
        for (int x0 = 0; x0 < in.width; x0 += kTile)
            for (int y = y0; y < std::min(in.height, y0 + kTile); ++y)
                for (int x = x0; x < std::min(in.width, x0 + kTile); ++x)
                    out.At(y, x) = in.At(x, y);
    return out;
}

using V = std::int16_t;
constexpr auto Lower = [](V a, V b) { return std::min(a, b); };
constexpr auto Higher = [](V a, V b) { return std::max(a, b); };
constexpr V kTop = std::numeric_limits<V>::max();
constexpr V kBottom = std::numeric_limits<V>::min();

// The opening over a square of 2r+1: the lowest value around, then the highest of those.
// Rows are filtered as the columns of the transposed plane.
Plane<V> Opening(const Plane<V>& values, int r) {
    Plane<V> across = Transposed(AlongColumns(values, r, kTop, Lower));
    across = AlongColumns(AlongColumns(across, r, kTop, Lower), r, kBottom, Higher);
    return AlongColumns(Transposed(across), r, kBottom, Higher);
}

// What of each value stands above the opening: strokes narrower than the window.
void TopHatInto(const Plane<V>& values, int r, Plane<V>& strongest) {
    const Plane<V> opened = Opening(values, r);
    for (std::size_t i = 0; i < values.values.size(); ++i)
        strongest.values[i] =
            std::max<V>(strongest.values[i], static_cast<V>(values.values[i] - opened.values[i]));
}

}  // namespace

Reduced Reduce(const PictureView& picture) {
    Reduced out;
    const int shortSide = std::min(picture.width, picture.height);
    out.factor = std::max(1, (shortSide + kLargestShortSide - 1) / kLargestShortSide);
    const int f = out.factor, w = picture.width / f, h = picture.height / f;
    const int taken = std::min(f, 16);  // rows and columns of each square that are summed
    const std::uint32_t area = static_cast<std::uint32_t>(taken * taken);
    out.rgb = Plane<std::uint32_t>(w, h);
    std::vector<std::uint32_t> redBlue(static_cast<std::size_t>(w)), green(redBlue.size());
    for (int y = 0; y < h; ++y) {
        std::fill(redBlue.begin(), redBlue.end(), 0u);
        std::fill(green.begin(), green.end(), 0u);
        for (int i = 0; i < taken; ++i) {
            const std::uint32_t* row =
                picture.pixels +
                static_cast<std::ptrdiff_t>(y * f + i * f / taken) * picture.stride;
            if (f <= 16)
                AddRowPacked(row, f, w, redBlue.data(), green.data());
            else
                AddRowSampled(row, f, w, redBlue.data(), green.data());
        }
        for (int x = 0; x < w; ++x)
            out.rgb.At(x, y) = ((redBlue[x] >> 16) / area) << 16 | (green[x] / area) << 8 |
                               ((redBlue[x] & 0xffffu) / area);
    }
    return out;
}

Plane<std::int16_t> LocalMaximum(const Plane<std::int16_t>& values, int r) {
    const Plane<V> across = AlongColumns(Transposed(values), r, kBottom, Higher);
    return AlongColumns(Transposed(across), r, kBottom, Higher);
}

std::array<Plane<std::int16_t>, 2> InkStrengths(const Plane<std::uint32_t>& rgb) {
    Plane<std::int16_t> brightness(rgb.width, rgb.height), warmth(rgb.width, rgb.height),
        colourfulness(rgb.width, rgb.height);
    for (std::size_t i = 0; i < rgb.values.size(); ++i) {
        const std::uint32_t p = rgb.values[i];
        const int r = Red(p), g = Green(p), b = Blue(p);
        const int high = std::max({r, g, b}), low = std::min({r, g, b});
        brightness.values[i] = static_cast<std::int16_t>(high);
        warmth.values[i] = static_cast<std::int16_t>(r - b);
        colourfulness.values[i] = static_cast<std::int16_t>(high - low);
    }
    Plane<std::int16_t> warmOnly(rgb.width, rgb.height, 0);
    TopHatInto(warmth, kStrokeWindowRadius, warmOnly);
    Plane<std::int16_t> any = warmOnly;
    TopHatInto(brightness, kStrokeWindowRadius, any);
    TopHatInto(colourfulness, kStrokeWindowRadius, any);
    return {std::move(any), std::move(warmOnly)};
}

}  // namespace detect
