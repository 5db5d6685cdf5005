#include "picture/Palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

namespace {

// The exact palette when the picture has few enough colours; empty otherwise.
QList<QRgb> ExactColours(const QImage& img, int maxColours) {
    std::unordered_map<QRgb, int> seen;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = row[x] & 0xFFFFFFu;
            if (seen.emplace(c, 0).second && static_cast<int>(seen.size()) > maxColours) return {};
        }
    }
    QList<QRgb> colours;
    for (const auto& entry : seen) colours.append(0xFF000000u | entry.first);
    std::sort(colours.begin(), colours.end());
    return colours;
}

// Median cut over the occupied cells of a 6-bit-per-channel histogram.
struct Cell {
    int at[3];  // cell coordinates, 0..63
    uint64_t count = 0;
    uint64_t sum[3] = {0, 0, 0};
};

struct Box {
    size_t begin, end;  // range of cells
    uint64_t count = 0;
    int extent = 0;  // widest channel's extent, in cells
    int axis = 0;
};

void Fit(Box& box, const std::vector<Cell>& cells) {
    int lo[3] = {63, 63, 63}, hi[3] = {0, 0, 0};
    box.count = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        box.count += cells[i].count;
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], cells[i].at[k]);
            hi[k] = std::max(hi[k], cells[i].at[k]);
        }
    }
    box.axis = 0;
    for (int k = 1; k < 3; ++k)
        if (hi[k] - lo[k] > hi[box.axis] - lo[box.axis]) box.axis = k;
    box.extent = hi[box.axis] - lo[box.axis];
}

// Splits the box at the pixel median of its widest channel.
Box Split(Box& box, std::vector<Cell>& cells) {
    const int axis = box.axis;
    std::sort(cells.begin() + box.begin, cells.begin() + box.end,
              [axis](const Cell& a, const Cell& b) { return a.at[axis] < b.at[axis]; });
    uint64_t acc = 0;
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        acc += cells[i].count;
        cut = i + 1;
        if (acc * 2 >= box.count) break;
    }
    Box other{cut, box.end};
    box.end = cut;
    Fit(box, cells);
    Fit(other, cells);
    return other;
}

QRgb MeanColour(const Box& box, const std::vector<Cell>& cells) {
    uint64_t s[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int k = 0; k < 3; ++k) s[k] += cells[i].sum[k];
    const uint64_t n = box.count;
    return qRgb(int((s[0] + n / 2) / n), int((s[1] + n / 2) / n), int((s[2] + n / 2) / n));
}

QList<QRgb> MedianCut(const QImage& img, int maxColours) {
    std::vector<Cell> grid(1 << 18);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int r = qRed(row[x]), g = qGreen(row[x]), b = qBlue(row[x]);
            Cell& cell = grid[((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2)];
            ++cell.count;
            cell.sum[0] += r;
            cell.sum[1] += g;
            cell.sum[2] += b;
        }
    }
    std::vector<Cell> cells;
    for (int i = 0; i < static_cast<int>(grid.size()); ++i)
        if (grid[i].count) {
            Cell c = grid[i];
            c.at[0] = i >> 12, c.at[1] = (i >> 6) & 63, c.at[2] = i & 63;
            cells.push_back(c);
        }
    std::vector<Box> boxes{Box{0, cells.size()}};
    Fit(boxes[0], cells);
    while (static_cast<int>(boxes.size()) < maxColours) {
        // Split the box with the most pixels times its extent, among those holding two cells or
        // more.
        int best = -1;
        uint64_t bestScore = 0;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            const Box& b = boxes[i];
            const uint64_t score = b.count * static_cast<uint64_t>(b.extent);
            if (b.end - b.begin > 1 && score > bestScore) best = i, bestScore = score;
        }
        if (best < 0) break;
        boxes.push_back(Split(boxes[best], cells));
    }
    QList<QRgb> palette;
    for (const Box& b : boxes) palette.append(MeanColour(b, cells));
    return palette;
}

// Nearest palette entry, cached per 6-bit-per-channel cell.
class NearestColour {
public:
    explicit NearestColour(const QList<QRgb>& palette) : palette_(palette), cache_(1 << 18, -1) {}

    uint8_t operator()(int r, int g, int b) {
        const int cell = ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2);
        int& entry = cache_[cell];
        if (entry < 0) entry = Search((r & ~3) + 2, (g & ~3) + 2, (b & ~3) + 2);
        return static_cast<uint8_t>(entry);
    }

private:
    int Search(int r, int g, int b) const {
        int best = 0, bestDistance = 1 << 30;
        for (int i = 0; i < palette_.size(); ++i) {
            const int dr = qRed(palette_[i]) - r, dg = qGreen(palette_[i]) - g,
                      db = qBlue(palette_[i]) - b;
            const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (d < bestDistance) best = i, bestDistance = d;
        }
        return best;
    }

    const QList<QRgb>& palette_;
    std::vector<int> cache_;
};

constexpr int kBayer8[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                               {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                               {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                               {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// Dither amplitude: the typical distance between neighbouring palette colours (the median
// nearest-neighbour distance), so a palette packed into a narrow range gets fine dithering.
int DitherSpread(const QList<QRgb>& palette) {
    std::vector<double> nearest;
    for (int i = 0; i < palette.size(); ++i) {
        double best = 1e9;
        for (int j = 0; j < palette.size(); ++j) {
            if (i == j) continue;
            const int dr = qRed(palette[i]) - qRed(palette[j]),
                      dg = qGreen(palette[i]) - qGreen(palette[j]),
                      db = qBlue(palette[i]) - qBlue(palette[j]);
            best = std::min(best, std::sqrt(double(dr * dr + dg * dg + db * db)));
        }
        nearest.push_back(best);
    }
    if (nearest.empty()) return 0;
    std::nth_element(nearest.begin(), nearest.begin() + nearest.size() / 2, nearest.end());
    return std::clamp(static_cast<int>(nearest[nearest.size() / 2] + 0.5), 2, 48);
}

int Clamp(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

}  // namespace

IndexedPicture ReduceColours(const QImage& picture, int maxColours, bool dither) {
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    IndexedPicture out;
    out.width = img.width();
    out.height = img.height();
    out.indices.resize(static_cast<size_t>(out.width) * out.height);

    const QList<QRgb> exact = ExactColours(img, maxColours);
    if (!exact.isEmpty()) {
        out.palette = exact;
        std::unordered_map<QRgb, uint8_t> index;
        for (int i = 0; i < exact.size(); ++i)
            index[exact[i] & 0xFFFFFFu] = static_cast<uint8_t>(i);
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
                out.indices[size_t(y) * out.width + x] = index[row[x] & 0xFFFFFFu];
        }
        return out;
    }

    out.palette = MedianCut(img, maxColours);
    NearestColour nearest(out.palette);
    const int spread = dither ? DitherSpread(out.palette) : 0;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        uint8_t* dst = &out.indices[size_t(y) * out.width];
        for (int x = 0; x < img.width(); ++x) {
            const int offset = (kBayer8[y & 7][x & 7] * 2 - 63) * spread / 128;
            dst[x] = nearest(Clamp(qRed(row[x]) + offset), Clamp(qGreen(row[x]) + offset),
                             Clamp(qBlue(row[x]) + offset));
        }
    }
    return out;
}
