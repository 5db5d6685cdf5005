#include "inpaint/Inpainting.h"

#include "inpaint/reference/ReferenceEngine.h"

namespace inpaint {

std::atomic<bool> StopRequested{false};

int InpaintPicture(PictureAccess& source, PictureAccess& target, std::uint8_t red,
                   std::uint8_t green, std::uint8_t blue, bool liveDisplay, int blockRadius,
                   int scanBorder, const RunHooks& hooks) {
    return reference::InpaintPicture(source, target, red, green, blue, liveDisplay, blockRadius,
                                     scanBorder, hooks);
}

}  // namespace inpaint
