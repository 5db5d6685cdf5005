#pragma once
#include <cstdint>

namespace inpaint {

// A colour by its red, green and blue bytes.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    // As a 32-bit pixel: byte 0 blue, byte 1 green, byte 2 red, byte 3 `extra`.
    constexpr std::uint32_t Pixel(std::uint8_t extra = 0) const {
        return static_cast<std::uint32_t>(blue) | (static_cast<std::uint32_t>(green) << 8) |
               (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(extra) << 24);
    }
    bool operator==(const Rgb&) const = default;
};

// The colour the user paints over what is to be removed. A pixel is marked when its red, green
// and blue bytes are exactly these; byte 3 is never compared.
inline constexpr Rgb kMarkerColor{0, 255, 0};

// The marker colour as a pixel with byte 3 clear, and as an opaque screen pixel (byte 3, the
// alpha of a QRgb, 255).
inline constexpr std::uint32_t kMarkerPixel = kMarkerColor.Pixel();
inline constexpr std::uint32_t kOpaqueMarkerPixel = kMarkerColor.Pixel(255);

}  // namespace inpaint
