#include "inpaint/Inpainting.h"

#include "inpaint/fast/FastInpainting.h"

namespace inpaint {

std::atomic<bool> StopRequested{false};

// The programs use the fast engine; inpaint::reference::InpaintPicture stays callable beside it
// (the differential test and the benchmark run both and require the same results).
int InpaintPicture(PictureAccess& source, PictureAccess& target, std::uint8_t red,
                   std::uint8_t green, std::uint8_t blue, bool liveDisplay, int blockRadius,
                   int scanBorder, const RunHooks& hooks) {
    return fast::InpaintPicture(source, target, red, green, blue, liveDisplay, blockRadius,
                                scanBorder, hooks);
}

}  // namespace inpaint
