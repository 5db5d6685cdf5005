#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <stop_token>
#include <string>

#include "inpaint/MarkerColor.h"
#include "inpaint/PictureAccess.h"

namespace inpaint {

// What a run fills and how.
struct InpaintOptions {
    // The pixels to fill are those of exactly this colour.
    Rgb marker = kMarkerColor;
    // Writes each filled patch back and redraws it as the run goes.
    bool liveDisplay = false;
    // Patches are 2 * blockRadius + 1 pixels square.
    int blockRadius = 4;
    // How far around the marked pixels source patches are sought.
    int scanBorder = 10;
};

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
    // Looked at after every yield: once a stop is requested the run ends, returning 0 and
    // committing nothing. Each run has its own, so stopping one run leaves the others going.
    std::stop_token stop;
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
int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks = {});

}  // namespace inpaint
