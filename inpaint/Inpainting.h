#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "inpaint/PictureAccess.h"

namespace inpaint {

// Set by the caller to end a running fill; the engine polls it after every sub-step.
// The caller clears it before each run.
extern std::atomic<bool> StopRequested;

struct StepTrace {
    int step;    // 1-based step number
    int tx, ty;  // target pixel
    int sx, sy;  // source centre used for the copy
};

struct RunHooks {
    // Called after every sub-step: lets pending user-interface events run.
    std::function<void()> yield;
    // Called once per completed fill step.
    std::function<void(const StepTrace&)> trace;
};

// Why a run ended without a result. Nothing is written back on these paths.
class InpaintError : public std::runtime_error {
public:
    enum class Reason { NoSourceArea, PictureTooLarge, OutOfMemory, SizeMismatch, BadArgument };
    InpaintError(Reason reason, const std::string& message)
        : std::runtime_error(message), reason_(reason) {}
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

// Fills every pixel of exactly the marker colour with patches copied from the same picture.
// Returns the number of fill steps, 0 when stopped or when nothing was marked.
// Throws InpaintError when the run cannot complete.
int InpaintPicture(PictureAccess& source, PictureAccess& target, std::uint8_t red,
                   std::uint8_t green, std::uint8_t blue, bool liveDisplay, int blockRadius,
                   int scanBorder, const RunHooks& hooks = {});

}  // namespace inpaint
