#include "inpaint/fine/FineFill.h"

#include <algorithm>
#include <climits>
#include <new>
#include <vector>

#include "inpaint/fine/MarkRegions.h"
#include "inpaint/fine/PatchSynthesis.h"

namespace inpaint::fine {

namespace {

constexpr int kMaxSide = 32767;
// However small Scan Border, a fill searches at least this far around the marks.
constexpr int kMinReach = 24;

// Lets the caller's events run, then tells whether the run must stop.
bool StopWanted(const RunHooks& hooks) {
    if (hooks.yield) hooks.yield();
    return hooks.stop.stop_requested();
}

// The exact fill's checks, in the same order and with the same outcomes.
void CheckArguments(const PictureAccess& source, const PictureAccess& target,
                    const FineOptions& options) {
    if (options.scanBorder < 0)
        throw InpaintError(InpaintError::Reason::BadArgument,
                           "Block size or scan border out of range.");
    const int w = source.Width(), h = source.Height();
    if (target.Width() != w || target.Height() != h)
        throw InpaintError(InpaintError::Reason::SizeMismatch,
                           "The source and target pictures differ in size.");
    if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide ||
        static_cast<long long>(w) * h * 4 > INT_MAX)
        throw InpaintError(InpaintError::Reason::PictureTooLarge,
                           "The picture is too large to remove marks from: at most 32767 pixels "
                           "wide and high and 536870911 pixels in all.");
}

class FineRun {
public:
    FineRun(PictureAccess& source, PictureAccess& target, const FineOptions& options,
            const RunHooks& hooks)
        : source_(source), target_(target), options_(options), hooks_(hooks) {}

    int Execute();

private:
    std::uint32_t Marker() const { return options_.marker.Pixel() & 0x00FFFFFFu; }
    long long FindMarks();
    Canvas CanvasOf(const Region& region) const;
    void PutBack(const Region& region, const Canvas& canvas);
    void Show(const Region& region, const Canvas& canvas);
    void WriteBackAll();

    PictureAccess& source_;
    PictureAccess& target_;
    const FineOptions& options_;
    const RunHooks& hooks_;
    int W_ = 0;
    int H_ = 0;
    std::vector<std::uint32_t> picture_;
    std::vector<std::uint8_t> marked_;
    MarkBox box_;
};

// Notes every marked pixel and the marks' bounding box in one pass; returns how many there are.
long long FineRun::FindMarks() {
    const std::uint32_t marker = Marker();
    marked_.assign(picture_.size(), 0);
    box_ = MarkBox{W_, H_, 0, 0};
    long long marks = 0;
    for (int y = 0; y < H_; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * W_;
        int first = W_, last = -1;
        for (int x = 0; x < W_; ++x) {
            if ((picture_[row + x] & 0x00FFFFFFu) != marker) continue;
            marked_[row + x] = 1;
            first = std::min(first, x);
            last = x;
            ++marks;
        }
        if (last < 0) continue;
        box_.x0 = std::min(box_.x0, first);
        box_.x1 = std::max(box_.x1, last + 1);
        box_.y0 = std::min(box_.y0, y);
        box_.y1 = y + 1;
    }
    return marks;
}

Canvas FineRun::CanvasOf(const Region& region) const {
    Canvas canvas;
    canvas.width = region.width;
    canvas.height = region.height;
    canvas.pixels.resize(static_cast<std::size_t>(region.width) * region.height);
    canvas.hole.resize(canvas.pixels.size());
    for (int y = 0; y < region.height; ++y) {
        for (int x = 0; x < region.width; ++x) {
            const std::size_t p = static_cast<std::size_t>(region.y + y) * W_ + region.x + x;
            const std::size_t c = static_cast<std::size_t>(y) * region.width + x;
            canvas.pixels[c] = picture_[p];
            canvas.hole[c] = marked_[p];
        }
    }
    return canvas;
}

// Filled pixels keep their own byte 3; marks filled here are no longer marks for later regions.
void FineRun::PutBack(const Region& region, const Canvas& canvas) {
    for (int y = 0; y < region.height; ++y) {
        for (int x = 0; x < region.width; ++x) {
            const std::size_t c = static_cast<std::size_t>(y) * region.width + x;
            if (!canvas.hole[c]) continue;
            const std::size_t p = static_cast<std::size_t>(region.y + y) * W_ + region.x + x;
            picture_[p] = (picture_[p] & 0xFF000000u) | (canvas.pixels[c] & 0x00FFFFFFu);
            marked_[p] = 0;
        }
    }
}

void FineRun::Show(const Region& region, const Canvas& canvas) {
    std::vector<std::uint32_t> rows(canvas.pixels.size());
    for (std::size_t c = 0; c < rows.size(); ++c) {
        const std::size_t p = static_cast<std::size_t>(region.y + c / region.width) * W_ +
                              region.x + c % region.width;
        rows[c] = (picture_[p] & 0xFF000000u) | (canvas.pixels[c] & 0x00FFFFFFu);
    }
    target_.WritePixels(region.x, region.y, region.width, region.height, rows.data(), region.width);
    target_.Redraw();
}

void FineRun::WriteBackAll() {
    target_.WritePixels(0, 0, W_, H_, picture_.data(), W_);
    target_.Commit();
    target_.Redraw();
}

int FineRun::Execute() {
    CheckArguments(source_, target_, options_);
    W_ = source_.Width();
    H_ = source_.Height();
    picture_.resize(static_cast<std::size_t>(W_) * H_);
    source_.ReadPixels(picture_.data());
    const long long marks = FindMarks();
    if (marks == 0) {
        WriteBackAll();
        return 0;
    }
    if (marks == static_cast<long long>(picture_.size()))
        throw InpaintError(
            InpaintError::Reason::NoSourceArea,
            "No source area to copy from: mark a smaller area or raise Scan Border.");
    if (StopWanted(hooks_)) return 0;
    const std::vector<Region> regions =
        FindMarkRegions(marked_, W_, H_, box_, std::max(options_.scanBorder, kMinReach));
    if (StopWanted(hooks_)) return 0;
    for (const Region& region : regions) {
        Canvas canvas = CanvasOf(region);
        SynthesisHooks synthesisHooks;
        synthesisHooks.pause = [this] { return StopWanted(hooks_); };
        if (options_.liveDisplay)
            synthesisHooks.show = [this, &region](const Canvas& shown) { Show(region, shown); };
        const SynthesisResult result = Synthesize(canvas, synthesisHooks, options_.tuning);
        if (result == SynthesisResult::Stopped) return 0;
        if (result == SynthesisResult::NothingToCopy)
            throw InpaintError(
                InpaintError::Reason::NoSourceArea,
                "No source area to copy from: mark a smaller area or raise Scan Border.");
        PutBack(region, canvas);
        if (StopWanted(hooks_)) return 0;
    }
    WriteBackAll();
    return static_cast<int>(std::min<long long>(marks, INT_MAX));
}

}  // namespace

int InpaintPicture(PictureAccess& source, PictureAccess& target, const FineOptions& options,
                   const RunHooks& hooks) {
    try {
        FineRun run(source, target, options, hooks);
        return run.Execute();
    } catch (const std::bad_alloc&) {
        throw InpaintError(InpaintError::Reason::OutOfMemory,
                           "Not enough memory to remove the marks from this picture.");
    }
}

}  // namespace inpaint::fine
