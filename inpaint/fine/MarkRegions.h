#pragma once
#include <cstdint>
#include <vector>

namespace inpaint::fine {

// The marked pixels' bounding box, right and bottom exclusive; empty when nothing is marked.
struct MarkBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};
MarkBox FindMarkBox(const std::vector<std::uint8_t>& marked, int width, int height);

// The connected parts (4-neighbours) of the set pixels of a w x h mask: each set pixel's part
// (-1 for the others) and each part's bounding box, parts numbered in the order a scan row after
// row first meets them.
struct ConnectedParts {
    std::vector<int> label;
    std::vector<MarkBox> boxes;
};
ConnectedParts FindConnectedParts(const std::vector<std::uint8_t>& set, int w, int h);

// A rectangle of the picture around one group of marks: the marks and the surroundings a fill
// of them may copy from.
struct Region {
    int x = 0, y = 0, width = 0, height = 0;
};

// The marked pixels' groups, each with the surroundings that a fill of them searches: marks
// closer than that reach to each other share one region. The reach grows with the thickest mark
// (twice its inscribed width, at least minReach), so that a wide mark sees enough to copy from.
// pixels: width * height values; marked: tells a marked pixel.
// box: the marks' bounding box.
std::vector<Region> FindMarkRegions(const std::vector<std::uint8_t>& marked, int width, int height,
                                    const MarkBox& box, int minReach);

// Twice the largest distance from a marked pixel to the nearest unmarked one (chessboard
// distance): the width of the widest stroke or box among the marks, 0 when nothing is marked.
int MarkThickness(const std::vector<std::uint8_t>& marked, int width, int height,
                  const MarkBox& box);
inline int MarkThickness(const std::vector<std::uint8_t>& marked, int width, int height) {
    return MarkThickness(marked, width, height, FindMarkBox(marked, width, height));
}

}  // namespace inpaint::fine
