#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "inpaint/MarkerColor.h"
#include "inpaint/PictureAccess.h"

namespace inpaint {

// A picture held in memory: what tests, the benchmark and engine comparisons hand to the engine.
// It counts redraws and commits and keeps the committed picture apart from the current image,
// as a picture box does.
class MemoryPicture : public PictureAccess {
public:
    MemoryPicture(int width, int height, std::uint32_t fill = 0)
        : width_(width),
          height_(height),
          image_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill),
          committed_(image_) {}
    MemoryPicture(int width, int height, std::vector<std::uint32_t> pixels)
        : width_(width), height_(height), image_(std::move(pixels)), committed_(image_) {}

    int Width() const override { return width_; }
    int Height() const override { return height_; }

    void ReadPixels(std::uint32_t* dst) const override {
        for (std::size_t i = 0; i < image_.size(); ++i) dst[i] = image_[i];
    }

    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) override {
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col)
                At(x + col, y + row) = src[static_cast<std::size_t>(row) * stride + col];
        ++writes;
    }

    void Redraw() override { ++redraws; }
    void Commit() override {
        committed_ = image_;
        ++commits;
    }

    std::uint32_t& At(int x, int y) { return image_[Index(x, y)]; }
    std::uint32_t At(int x, int y) const { return image_[Index(x, y)]; }
    const std::vector<std::uint32_t>& Pixels() const { return image_; }
    const std::vector<std::uint32_t>& Committed() const { return committed_; }

    // Paints the rectangle (x, y, w, h) in one colour, as a Box region is painted.
    void FillRect(int x, int y, int w, int h, std::uint32_t colour) {
        for (int row = y; row < y + h; ++row)
            for (int col = x; col < x + w; ++col) At(col, row) = colour;
    }

    int writes = 0;
    int redraws = 0;
    int commits = 0;

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_;
    int height_;
    std::vector<std::uint32_t> image_;
    std::vector<std::uint32_t> committed_;
};

// A 32-bit pixel from its colour bytes: byte 0 blue, byte 1 green, byte 2 red, byte 3 extra.
constexpr std::uint32_t PixelOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                std::uint8_t extra = 0) {
    return Rgb{red, green, blue}.Pixel(extra);
}

}  // namespace inpaint
