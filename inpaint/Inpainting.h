#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <stop_token>
#include <string>

#include "inpaint/MarkerColor.h"
#include "inpaint/PictureAccess.h"

namespace inpaint {

// Which inner loop the fast engine's source search uses; Auto picks the widest the processor
// has. All give the same results.
enum class SearchKernel { Auto, Scalar, Sse2, Avx2 };

// How the fast engine shares out and cuts short its work. None of it changes a result; the
// reference engine does not look at it.
struct EngineTuning {
    // Threads taking part in a run, the caller's included; 0 (or less): one per core.
    int threads = 0;
    SearchKernel kernel = SearchKernel::Auto;
    // Smallest search (candidates times known patch pixels) shared among the threads: below it,
    // waking them costs more than it saves. 0 shares every search.
    long long parallelWork = 200000;
    // Of those, a search is shared only when the steps before it (search and all) took at least
    // this long on one thread, and only while sharing has been measured to be the faster way (see
    // SharingChoice in fast/FastInpainting.cpp). Ignored when parallelWork is 0.
    long long shareFromNanoseconds = 20000;
    // Runs whose search window holds at least this many valid source centres prepare colour
    // ranges per block of centres (8 bytes a position) to pass over poor blocks at once. 0 uses
    // them in every run.
    long long blockSearchFrom = 250000;
};

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
    EngineTuning tuning;
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
