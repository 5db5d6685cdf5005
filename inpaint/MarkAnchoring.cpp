#include "inpaint/MarkAnchoring.h"

#include <algorithm>

#include "inpaint/fine/MarkRegions.h"

namespace inpaint {

namespace {

constexpr int kMirror = 1;
constexpr int kFlip = 2;
constexpr int kQuarterTurn = 4;

// How far a part moves along one side: not at all when it sits nearer the start, by the change
// of length when nearer the end.
int Shift(int from, int to, int oldLength, int newLength) {
    return from + to > oldLength ? newLength - oldLength : 0;  // centre (from + to) / 2
}

}  // namespace

bool MarkMask::Any() const {
    return std::any_of(marked.begin(), marked.end(), [](std::uint8_t m) { return m != 0; });
}

long long MarkMask::Count() const {
    return std::count_if(marked.begin(), marked.end(), [](std::uint8_t m) { return m != 0; });
}

AnchoredMarks AnchorMarks(const MarkMask& marks, int width, int height) {
    AnchoredMarks out;
    out.mask = MarkMask(width, height);
    const fine::MarkBox box = fine::FindMarkBox(marks.marked, marks.width, marks.height);
    if (box.Empty()) return out;

    // Parts are found within the marks' bounding box only: a photo's marks are small.
    const int bw = box.x1 - box.x0, bh = box.y1 - box.y0;
    std::vector<std::uint8_t> inBox(static_cast<std::size_t>(bw) * bh);
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x)
            inBox[static_cast<std::size_t>(y) * bw + x] = marks.At(box.x0 + x, box.y0 + y) ? 1 : 0;
    const fine::ConnectedParts parts = fine::FindConnectedParts(inBox, bw, bh);
    out.parts = static_cast<int>(parts.boxes.size());

    std::vector<int> dx(parts.boxes.size()), dy(parts.boxes.size());
    std::vector<long long> inside(parts.boxes.size(), 0), outside(parts.boxes.size(), 0);
    for (std::size_t p = 0; p < parts.boxes.size(); ++p) {
        const fine::MarkBox& b = parts.boxes[p];
        dx[p] = Shift(box.x0 + b.x0, box.x0 + b.x1, marks.width, width);
        dy[p] = Shift(box.y0 + b.y0, box.y0 + b.y1, marks.height, height);
    }
    for (int y = 0; y < bh; ++y) {
        for (int x = 0; x < bw; ++x) {
            const int p = parts.label[static_cast<std::size_t>(y) * bw + x];
            if (p < 0) continue;
            const int nx = box.x0 + x + dx[p], ny = box.y0 + y + dy[p];
            if (nx < 0 || ny < 0 || nx >= width || ny >= height) {
                ++outside[p];
                continue;
            }
            out.mask.At(nx, ny) = 1;
            ++inside[p];
        }
    }
    for (std::size_t p = 0; p < parts.boxes.size(); ++p) {
        const fine::MarkBox& b = parts.boxes[p];
        if (inside[p] == 0)
            out.dropped.push_back({box.x0 + b.x0 + dx[p], box.y0 + b.y0 + dy[p],
                                   box.x0 + b.x1 + dx[p], box.y0 + b.y1 + dy[p]});
        else if (outside[p] > 0)
            ++out.clipped;
    }
    return out;
}

MarkMask UprightMarks(const MarkMask& stored, int turn) {
    // Mirror and flip first, then the quarter turn clockwise: (x, y) goes to (h - 1 - y, x).
    const int w = stored.width, h = stored.height;
    const bool quarter = turn & kQuarterTurn;
    MarkMask out(quarter ? h : w, quarter ? w : h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!stored.At(x, y)) continue;
            const int mx = (turn & kMirror) ? w - 1 - x : x;
            const int my = (turn & kFlip) ? h - 1 - y : y;
            if (quarter)
                out.At(h - 1 - my, mx) = 1;
            else
                out.At(mx, my) = 1;
        }
    }
    return out;
}

MarkMask StoredMarks(const MarkMask& upright, int turn) {
    const bool quarter = turn & kQuarterTurn;
    const int w = quarter ? upright.height : upright.width;
    const int h = quarter ? upright.width : upright.height;
    MarkMask out(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int mx = (turn & kMirror) ? w - 1 - x : x;
            const int my = (turn & kFlip) ? h - 1 - y : y;
            out.At(x, y) = quarter ? upright.At(h - 1 - my, mx) : upright.At(mx, my);
        }
    }
    return out;
}

}  // namespace inpaint
