#include "inpaint/Inpainting.h"

#include "inpaint/fast/FastInpainting.h"

namespace inpaint {

// The programs use the fast engine; inpaint::reference::InpaintPicture stays callable beside it
// (the differential test and the benchmark run both and require the same results).
int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks) {
    return fast::InpaintPicture(source, target, options, hooks);
}

}  // namespace inpaint
