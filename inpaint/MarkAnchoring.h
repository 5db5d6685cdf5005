#pragma once
#include <cstdint>
#include <vector>

namespace inpaint {

// Marks carried from one picture to another of possibly another size: a photo's date imprint
// sits at the same distance from the same corner on every photo of a camera. Plain data, no
// widgets, so that the editor, the batch run and brisvane-inpaint carry marks alike.

// Which pixels of a width x height picture are marked (non-zero), row after row.
struct MarkMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> marked;

    MarkMask() = default;
    MarkMask(int w, int h)
        : width(w), height(h), marked(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    std::uint8_t& At(int x, int y) { return marked[Index(x, y)]; }
    std::uint8_t At(int x, int y) const { return marked[Index(x, y)]; }
    bool Any() const;
    long long Count() const;

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
};

// A rectangle, right and bottom exclusive.
struct MarkRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool operator==(const MarkRect&) const = default;
};

struct AnchoredMarks {
    MarkMask mask;                  // the marks on the new picture
    int parts = 0;                  // connected parts of the marks carried
    int clipped = 0;                // parts that lost pixels over the new picture's edge
    std::vector<MarkRect> dropped;  // parts that fell wholly outside, where they would be
};

// Carries `marks` onto a width x height picture one connected part (4-neighbours) at a time.
// Each part keeps its distance in pixels from the corner nearest the centre of its bounding box
// (on a tie, the left or top side), so a bottom-right imprint stays bottom-right. Pixels falling
// outside the new picture are cut off; a part with none left inside is dropped and listed.
// Both pictures are in their stored orientation (see TurnMarks).
AnchoredMarks AnchorMarks(const MarkMask& marks, int width, int height);

// Turns between a picture's stored orientation and how it is shown upright. `turn` holds the
// reader's flags (1 mirror left-right, 2 flip top-bottom, 4 a quarter turn clockwise, applied in
// that order on the way to upright).
MarkMask UprightMarks(const MarkMask& stored, int turn);
MarkMask StoredMarks(const MarkMask& upright, int turn);

}  // namespace inpaint
