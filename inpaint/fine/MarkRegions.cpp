#include "inpaint/fine/MarkRegions.h"

#include <algorithm>
#include <numeric>

namespace inpaint::fine {

namespace {

// The marked pixels grown by `reach` in every direction (a square), inside the rectangle
// [x0, x1) x [y0, y1) of the picture, by running counts along rows and then columns.
std::vector<std::uint8_t> Grow(const std::vector<std::uint8_t>& marked, int width, int x0, int y0,
                               int x1, int y1, int reach) {
    const int w = x1 - x0, h = y1 - y0;
    std::vector<std::uint8_t> across(static_cast<std::size_t>(w) * h, 0);
    std::vector<int> prefix(static_cast<std::size_t>(std::max(w, h)) + 1);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = marked.data() + static_cast<std::size_t>(y0 + y) * width + x0;
        for (int x = 0; x < w; ++x) prefix[x + 1] = prefix[x] + (row[x] ? 1 : 0);
        for (int x = 0; x < w; ++x) {
            const int from = std::max(x - reach, 0), to = std::min(x + reach, w - 1);
            across[static_cast<std::size_t>(y) * w + x] = prefix[to + 1] > prefix[from];
        }
    }
    std::vector<std::uint8_t> grown(across.size(), 0);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y)
            prefix[y + 1] = prefix[y] + across[static_cast<std::size_t>(y) * w + x];
        for (int y = 0; y < h; ++y) {
            const int from = std::max(y - reach, 0), to = std::min(y + reach, h - 1);
            grown[static_cast<std::size_t>(y) * w + x] = prefix[to + 1] > prefix[from];
        }
    }
    return grown;
}

int Find(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

}  // namespace

ConnectedParts FindConnectedParts(const std::vector<std::uint8_t>& set, int w, int h) {
    // Union-find over 4-neighbours, then one label per root in the order parts are first met.
    std::vector<int> parent(set.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int i = y * w + x;
            if (!set[i]) continue;
            if (x > 0 && set[i - 1]) parent[Find(parent, i)] = Find(parent, i - 1);
            if (y > 0 && set[i - w]) parent[Find(parent, i)] = Find(parent, i - w);
        }
    }
    ConnectedParts parts;
    std::vector<int> partOfRoot(set.size(), -1);
    parts.label.assign(set.size(), -1);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int i = y * w + x;
            if (!set[i]) continue;
            const int root = Find(parent, i);
            if (partOfRoot[root] < 0) {
                partOfRoot[root] = static_cast<int>(parts.boxes.size());
                parts.boxes.push_back({x, y, x + 1, y + 1});
            }
            const int p = partOfRoot[root];
            parts.label[i] = p;
            MarkBox& b = parts.boxes[p];
            b.x0 = std::min(b.x0, x);
            b.x1 = std::max(b.x1, x + 1);
            b.y1 = std::max(b.y1, y + 1);
        }
    }
    return parts;
}

MarkBox FindMarkBox(const std::vector<std::uint8_t>& marked, int width, int height) {
    MarkBox box{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = marked.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            if (!row[x]) continue;
            box.x0 = std::min(box.x0, x);
            box.x1 = std::max(box.x1, x + 1);
            box.y0 = std::min(box.y0, y);
            box.y1 = std::max(box.y1, y + 1);
        }
    }
    return box;
}

int MarkThickness(const std::vector<std::uint8_t>& marked, int width, int height,
                  const MarkBox& box) {
    // Two-pass chessboard distance to the nearest unmarked pixel. Outside the picture is never
    // the nearest unmarked pixel: a mark along the edge is as thick as its distance from the
    // known side.
    if (box.Empty()) return 0;
    const int x0 = box.x0, y0 = box.y0, x1 = box.x1, y1 = box.y1;
    const int w = x1 - x0, h = y1 - y0, far = w + h;
    std::vector<int> d(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            d[static_cast<std::size_t>(y) * w + x] =
                marked[static_cast<std::size_t>(y0 + y) * width + x0 + x] ? far : 0;
    auto at = [&](int x, int y) -> int {
        if (x >= 0 && y >= 0 && x < w && y < h) return d[static_cast<std::size_t>(y) * w + x];
        const bool inPicture = x0 + x >= 0 && y0 + y >= 0 && x0 + x < width && y0 + y < height;
        return inPicture ? 0 : far;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int& v = d[static_cast<std::size_t>(y) * w + x];
            if (v == 0) continue;
            v = std::min({v, at(x - 1, y) + 1, at(x - 1, y - 1) + 1, at(x, y - 1) + 1,
                          at(x + 1, y - 1) + 1});
        }
    }
    int largest = 0;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = w - 1; x >= 0; --x) {
            int& v = d[static_cast<std::size_t>(y) * w + x];
            if (v == 0) continue;
            v = std::min({v, at(x + 1, y) + 1, at(x + 1, y + 1) + 1, at(x, y + 1) + 1,
                          at(x - 1, y + 1) + 1});
            largest = std::max(largest, v);
        }
    }
    return std::min(2 * largest, std::max(width, height));
}

std::vector<Region> FindMarkRegions(const std::vector<std::uint8_t>& marked, int width, int height,
                                    const MarkBox& box, int minReach) {
    if (box.Empty()) return {};
    const int reach = std::max(minReach, 2 * MarkThickness(marked, width, height, box));
    const int x0 = std::max(box.x0 - reach, 0), y0 = std::max(box.y0 - reach, 0);
    const int x1 = std::min(box.x1 + reach, width), y1 = std::min(box.y1 + reach, height);
    const std::vector<std::uint8_t> grown = Grow(marked, width, x0, y0, x1, y1, reach);

    const ConnectedParts parts = FindConnectedParts(grown, x1 - x0, y1 - y0);
    std::vector<Region> regions;
    regions.reserve(parts.boxes.size());
    for (const MarkBox& b : parts.boxes)
        regions.push_back({b.x0 + x0, b.y0 + y0, b.x1 - b.x0, b.y1 - b.y0});
    return regions;
}

}  // namespace inpaint::fine
