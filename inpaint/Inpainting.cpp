#include "inpaint/Inpainting.h"

namespace inpaint {

std::atomic<bool> StopRequested{false};

// Placeholder until the engine lands: fills nothing.
int InpaintPicture(PictureAccess&, PictureAccess&, std::uint8_t, std::uint8_t, std::uint8_t, bool,
                   int, int, const RunHooks&) {
    return 0;
}

}  // namespace inpaint
