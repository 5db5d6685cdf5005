#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Finds a camera's date imprint: a row of bright, coloured digits near a corner of the photo.
// Plain C++, no Qt: the editor and the command-line tool hand it the decoded, upright picture.
namespace detect {

// 32-bit pixels 0xAARRGGBB (alpha ignored), row by row, `stride` pixels from one row to the next.
struct PictureView {
    int width = 0;
    int height = 0;
    const std::uint32_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;
};

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Box&, const Box&) = default;
};

// The boxes around the imprints found, each inside the picture, covering the digits and their
// glow; empty when there is none. The same picture always gives the same boxes.
std::vector<Box> FindImprints(const PictureView& picture);

}  // namespace detect
