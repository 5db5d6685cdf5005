#pragma once
#include <cstdint>

namespace inpaint {

// The engine's only view of a picture: a bulk pixel transfer each way.
// Pixels are 32-bit values, row after row with no gap, x fastest;
// byte 0 blue, byte 1 green, byte 2 red, byte 3 travels with the pixel.
class PictureAccess {
public:
    virtual ~PictureAccess() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Copies the current image (picture plus painted marks) into dst, Width() * Height() values.
    virtual void ReadPixels(std::uint32_t* dst) const = 0;
    // Writes the rectangle (x, y, w, h) of the image from src, whose rows are `stride` values
    // apart.
    virtual void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) = 0;
    // Shows on screen what was written since the last redraw.
    virtual void Redraw() {}
    // Makes the current image the picture itself (what an undo copy or a repaint starts from).
    virtual void Commit() {}
};

}  // namespace inpaint
