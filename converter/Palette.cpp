#include "converter/Palette.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

// Histogram cells: 5 bits per channel.
constexpr int kBits = 5;
constexpr int kCells = 1 << (3 * kBits);

int CellOf(QRgb c) {
    return ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
}

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

struct Box {
    int lo[3], hi[3];  // inclusive cell bounds per channel
    long long count = 0;
};

struct Histogram {
    std::vector<uint32_t> count = std::vector<uint32_t>(kCells, 0);
    std::vector<uint64_t> sum[3] = {std::vector<uint64_t>(kCells, 0), std::vector<uint64_t>(kCells, 0),
                                    std::vector<uint64_t>(kCells, 0)};
};

int Index(int r, int g, int b) { return (r << 10) | (g << 5) | b; }

// Shrinks the box to the cells it really holds and counts its pixels.
void Fit(Box& box, const Histogram& h) {
    int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    long long n = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const uint32_t c = h.count[Index(r, g, b)];
                if (!c) continue;
                n += c;
                const int v[3] = {r, g, b};
                for (int k = 0; k < 3; ++k) {
                    lo[k] = std::min(lo[k], v[k]);
                    hi[k] = std::max(hi[k], v[k]);
                }
            }
    box.count = n;
    if (n) std::copy(lo, lo + 3, box.lo), std::copy(hi, hi + 3, box.hi);
}

// Splits the box at the median of its widest channel; false when it is a single cell.
bool Split(Box& box, Box& other, const Histogram& h) {
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) axis = k;
    if (box.hi[axis] == box.lo[axis]) return false;
    std::array<long long, 32> plane{};
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const int v[3] = {r, g, b};
                plane[v[axis]] += h.count[Index(r, g, b)];
            }
    long long acc = 0;
    int cut = box.lo[axis];
    for (int v = box.lo[axis]; v < box.hi[axis]; ++v) {
        acc += plane[v];
        cut = v;
        if (acc * 2 >= box.count) break;
    }
    other = box;
    box.hi[axis] = cut;
    other.lo[axis] = cut + 1;
    Fit(box, h);
    Fit(other, h);
    return true;
}

QRgb MeanColour(const Box& box, const Histogram& h) {
    uint64_t n = 0, s[3] = {0, 0, 0};
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const int i = Index(r, g, b);
                n += h.count[i];
                for (int k = 0; k < 3; ++k) s[k] += h.sum[k][i];
            }
    if (!n) return qRgb(0, 0, 0);
    return qRgb(int((s[0] + n / 2) / n), int((s[1] + n / 2) / n), int((s[2] + n / 2) / n));
}

QList<QRgb> MedianCut(const QImage& img, int maxColours) {
    Histogram h;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int i = CellOf(row[x]);
            ++h.count[i];
            h.sum[0][i] += qRed(row[x]);
            h.sum[1][i] += qGreen(row[x]);
            h.sum[2][i] += qBlue(row[x]);
        }
    }
    std::vector<Box> boxes(1);
    boxes[0] = Box{{0, 0, 0}, {31, 31, 31}, 0};
    Fit(boxes[0], h);
    while (static_cast<int>(boxes.size()) < maxColours) {
        // Split the box holding the most pixels times its largest extent, among those that can.
        int best = -1;
        long long bestScore = 0;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            const Box& b = boxes[i];
            const int extent = std::max({b.hi[0] - b.lo[0], b.hi[1] - b.lo[1], b.hi[2] - b.lo[2]});
            const long long score = b.count * extent;
            if (extent > 0 && score > bestScore) best = i, bestScore = score;
        }
        if (best < 0) break;
        Box other;
        if (!Split(boxes[best], other, h)) break;
        boxes.push_back(other);
    }
    QList<QRgb> palette;
    for (const Box& b : boxes) palette.append(MeanColour(b, h));
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
            const int dr = qRed(palette_[i]) - r, dg = qGreen(palette_[i]) - g, db = qBlue(palette_[i]) - b;
            const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (d < bestDistance) best = i, bestDistance = d;
        }
        return best;
    }

    const QList<QRgb>& palette_;
    std::vector<int> cache_;
};

constexpr int kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// Dither amplitude: about the spacing of a 256-colour palette spread over the colour cube.
constexpr int kSpread = 32;

int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

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
        for (int i = 0; i < exact.size(); ++i) index[exact[i] & 0xFFFFFFu] = static_cast<uint8_t>(i);
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) out.indices[size_t(y) * out.width + x] = index[row[x] & 0xFFFFFFu];
        }
        return out;
    }

    out.palette = MedianCut(img, maxColours);
    NearestColour nearest(out.palette);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        uint8_t* dst = &out.indices[size_t(y) * out.width];
        for (int x = 0; x < img.width(); ++x) {
            const int offset = dither ? (kBayer8[y & 7][x & 7] * 2 - 63) * kSpread / 128 : 0;
            dst[x] = nearest(Clamp(qRed(row[x]) + offset), Clamp(qGreen(row[x]) + offset),
                             Clamp(qBlue(row[x]) + offset));
        }
    }
    return out;
}
