#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "inpaint/Inpainting.h"

namespace inpaint::fine {

// A part of a picture to fill: its pixels (byte 0 blue, 1 green, 2 red; byte 3 is not looked at)
// and which of them are holes.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint8_t> hole;
};

struct SynthesisHooks {
    // Lets the caller run between sub-steps; returns true when the fill must stop.
    std::function<bool()> pause;
    // Shows the fill so far (the canvas with its holes filled as far as known), when set.
    std::function<void(const Canvas&)> show;
};

enum class SynthesisResult { Filled, Stopped, NothingToCopy };

// Fills every hole pixel of the canvas from its known pixels: coarse to fine, each level's holes
// are refined by matching every patch that overlaps a hole with its nearest known patch and
// letting the matches vote; at full size each hole pixel copies the best match covering it.
// Changes no known pixel. Deterministic. NothingToCopy when the canvas has no known pixel.
// `exactTuning` steers the exact fill's runs that start the coarsest level.
SynthesisResult Synthesize(Canvas& canvas, const SynthesisHooks& hooks,
                           const EngineTuning& exactTuning = {});

}  // namespace inpaint::fine
