#include "inpaint/Inpainting.h"

namespace inpaint {

std::atomic<bool> StopRequested{false};

}  // namespace inpaint
