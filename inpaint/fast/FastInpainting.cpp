// The fast engine. It fills exactly as the straightforward engine does (inpaint/reference):
// same target pixel, same source centre, same pixels, same step count at every step. Where
// and why it departs from the straightforward way of computing them:
//
// 1. Memory. Only the picture itself is kept whole (one 32-bit pixel each, the copy the
//    engine reads and writes back). The per-pixel planes (fill mask, grey, priority, last
//    filling step) cover only the rows of the target box widened by r+3 rows, over the full
//    width, so that the flat-order neighbours (the pixel "left" of column 0 is the last of
//    the row above) read what they would read in whole-picture planes. Pixels outside these
//    rows are known from the start and never change, which the code relies on.
// 2. No colour planes. Source patches read the picture's bytes; the grey value of a copied
//    pixel is recomputed from its bytes with the same formula (the same double result).
// 3. Confidence is not stored per pixel: a pixel's confidence is 1 when known from the start,
//    the confidence of the step that last copied into it, or 0. Each step's value is kept.
// 4. The source search sums squared byte differences in 32-bit integers (at most
//    3*255^2*65^2 < 2^31 for Block Size 32, so the sums equal the double sums exactly; with
//    larger patches a sum is abandoned at the 99999999 limit long before it could overflow,
//    and such a sum could never be used anyway), over a list of the
//    target patch's known pixels gathered once per step, for 4 or 8 consecutive candidates
//    per vector load. A candidate is dropped once its partial sum reaches the best sum so far
//    (only a strictly smaller sum wins, so it could not win any more).
// 5. Before the scan, a few likely candidates (the previous source, the sources that filled
//    neighbouring pixels) are measured; the smallest of their sums bounds the scan from the
//    start. The bound is a real candidate's sum, so the winner (smallest sum, first in
//    walking order) is unchanged. The target patch's pixels are taken farthest-from-the-mean
//    first, so that a poor candidate's partial sum reaches the bound soonest.
// 6. The candidates (valid source centres in the search window) are listed once per run. Large
//    searches (two marks far apart make the window the whole picture) also keep, per position,
//    each colour byte's range over the 8 x 8 pixels from there: a block of 8 x 8 centres whose
//    sum of least possible differences already reaches the best sum is passed over whole.
//    A search may be shared out among the cores: whichever thread comes takes the next band or
//    chunk of candidates nobody has taken (a thread that comes late leaves its share to the
//    others), each keeps the smallest sum at the lowest position it has seen, and so does the
//    reduction, so neither the visiting order nor the number of threads changes the result.
//    Whether a search is shared is chosen from the measured time of the steps before it
//    (SharingChoice): small ones, and any while sharing does not measure clearly faster, run
//    alone.
// 7. The front is kept in an ordered set (FrontQueue) instead of scanning the target box for
//    the highest priority at every step, and the end test counts the pixels still to fill.
// 8. With live display only the rectangle of the patch just filled is written back; at the
//    end, when the target is the source, only the target box.
// 9. The picture's copy and the band's planes sit in memory with large pages where the system
//    has them (LargeArray), left unfilled where every value is written before it is read.
// Arguments, sizes, running out of memory and a step that fills nothing end the run as in the
// reference engine (same InpaintError reasons, same order of checks, nothing written back).

#include "inpaint/fast/FastInpainting.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "inpaint/fast/FrontQueue.h"
#include "inpaint/fast/LargeArray.h"
#include "inpaint/fast/PatchSearch.h"
#include "inpaint/fast/WorkerPool.h"

namespace inpaint::fast {

namespace {

// A candidate's sum must be below this for it to be used at all.
constexpr std::uint32_t kNoMatchLimit = 99999999;
constexpr int kMaxSeeds = 8;

double GreyOf(std::uint32_t pixel) {
    const double red = (pixel >> 16) & 255;
    const double green = (pixel >> 8) & 255;
    const double blue = pixel & 255;
    return (green * 19267 + red * 3735 + blue * 9765) / 32767;
}

// What the fill mask holds for a pixel of the band.
enum class Fill : std::int8_t {
    Known = 0,    // known from the start or filled by a copy
    ToFill = -1,  // still of the marker colour
    Front = -2,   // still to fill and on the fill front: a candidate target
};

struct Shift {
    int dx;
    int dy;
};

// Whether the next search is shared out among the threads, from what the steps before it
// measured.
// - A step is timed whole, from its search to the next: threads kept awake slow the rest of the
//   step too. Each way keeps its time per unit of work (candidates times patch pixels) as the
//   median of kWindow steps in a row, which one step held up by something else does not move,
//   averaged with the windows before. The first step after a change of way is not counted: it
//   pays for waking the sleeping threads, or for threads still watching for work.
// - Steps that take kAlwaysShareFrom alone always share: waking the threads costs them little.
//   Steps below shareFromNanoseconds never do. Between the two, a search is shared while sharing
//   has been clearly the faster way (kSharedAtMost).
// - After kWarmUp steps alone (while the threads start and the caches fill) a run measures each
//   way in a burst of kWindow + 1 steps. Later bursts the other way (probes) notice a change:
//   another program taking the second core makes sharing slower, and the run goes on alone.
//   While probes confirm the choice they come half as often, from one in kProbeLeast steps down
//   to one in kProbeMost.
class SharingChoice {
public:
    explicit SharingChoice(const EngineTuning& tuning)
        : always_(tuning.parallelWork <= 0),
          shareFrom_(static_cast<double>(tuning.shareFromNanoseconds)) {}
    bool Share(double work) {
        if (always_) return true;
        ++steps_;
        if (Alone() * work >= std::max(kAlwaysShareFrom, shareFrom_)) return true;
        if (steps_ <= kWarmUp) return false;
        if (steps_ <= burstEnd_) return burstWay_;
        if (rate_[kAlone] < 0) return StartBurst(false);
        if (rate_[kAlone] * work < shareFrom_) return false;
        if (rate_[kShared] < 0) return StartBurst(true);
        if (steps_ < nextProbe_) return SharingIsFaster();
        probing_ = true;
        chosen_ = SharingIsFaster();
        return StartBurst(!chosen_);
    }
    void Record(double work, std::chrono::steady_clock::duration took, bool shared) {
        if (always_) return;
        if (steps_ <= kWarmUp) {
            const double rate = std::chrono::duration<double, std::nano>(took).count() / work;
            if (!shared && (warmUpRate_ < 0 || rate < warmUpRate_)) warmUpRate_ = rate;
            return;
        }
        if (shared != lastShared_) {
            lastShared_ = shared;
            window_.clear();
        } else {
            window_.push_back(std::chrono::duration<double, std::nano>(took).count() / work);
            if (static_cast<int>(window_.size()) == kWindow) KeepWindow(shared);
        }
        if (inBurst_ && steps_ >= burstEnd_) EndBurst();
    }

private:
    bool StartBurst(bool shared) {
        inBurst_ = true;
        burstWay_ = shared;
        burstEnd_ = steps_ + kWindow;
        window_.clear();
        return shared;
    }
    void EndBurst() {
        inBurst_ = false;
        if (probing_)
            probeEvery_ =
                SharingIsFaster() == chosen_ ? std::min(2 * probeEvery_, kProbeMost) : kProbeLeast;
        probing_ = false;
        nextProbe_ = steps_ + probeEvery_;
    }
    void KeepWindow(bool shared) {
        std::nth_element(window_.begin(), window_.begin() + kWindow / 2, window_.end());
        const double median = window_[kWindow / 2];
        double& kept = rate_[shared ? kShared : kAlone];
        kept = kept < 0 ? median : (kept + median) / 2;
        window_.clear();
    }
    // What a step alone costs per unit of work: as measured, or the least seen while warming up.
    double Alone() const { return rate_[kAlone] >= 0 ? rate_[kAlone] : warmUpRate_; }
    bool SharingIsFaster() const {
        return rate_[kShared] >= 0 && rate_[kShared] < kSharedAtMost * rate_[kAlone];
    }

    static constexpr int kAlone = 0, kShared = 1, kWindow = 7, kWarmUp = 16;
    static constexpr long long kProbeLeast = 64, kProbeMost = 1024;
    static constexpr double kSharedAtMost = 0.95;  // a gain within the noise is not worth a core
    static constexpr double kAlwaysShareFrom = 500'000;  // ns: waking the threads costs far less
    const bool always_;
    const double shareFrom_;
    double rate_[2] = {-1.0, -1.0};  // nanoseconds per unit of work; negative: not measured yet
    double warmUpRate_ = -1.0;
    std::vector<double> window_;  // rates of the last steps, all the same way
    bool lastShared_ = false;
    long long steps_ = 0;
    long long probeEvery_ = kProbeLeast;
    long long nextProbe_ = 0;
    bool inBurst_ = false;
    bool burstWay_ = false;   // whether the burst under way shares its searches
    long long burstEnd_ = 0;  // its last step
    bool probing_ = false;    // the burst under way is a probe,
    bool chosen_ = false;     // against this way
};

class FastRun {
public:
    FastRun(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
            const RunHooks& hooks, RunFacts& facts)
        : source_(source),
          target_(target),
          marker_(options.marker.Pixel()),
          live_(options.liveDisplay),
          r_(options.blockRadius),
          border_(options.scanBorder),
          tuning_(options.tuning),
          sharing_(options.tuning),
          hooks_(hooks),
          facts_(facts) {
        facts_ = RunFacts{};
    }

    int Execute();

private:
    bool IsMarker(std::uint32_t pixel) const { return (pixel & kColourBytes) == marker_; }
    std::size_t Local(int p) const { return static_cast<std::size_t>(p - bandBase_); }
    Fill& Mask(int p) { return mask_[Local(p)]; }
    bool Known(int p) { return Mask(p) == Fill::Known; }
    double Grey(int p) const { return grey_[Local(p)]; }
    double Confidence(int p) {
        const int step = filledBy_[Local(p)];
        if (step > 0) return stepConfidence_[static_cast<std::size_t>(step)];
        return Known(p) ? 1.0 : 0.0;
    }

    void CheckSize() const;
    bool FindTargetBox();
    void SetSearchWindow();
    void BuildBand();
    bool IsFront(int p, int x, int y);
    void FindSourceCentres();
    void InitialPriorities();

    bool Pause();
    double ConfidenceTerm(int x, int y);
    double DataTerm(int x, int y);
    std::pair<double, double> FrontNormal(int x, int y);
    double PatchPriority(int x, int y) { return ConfidenceTerm(x, y) * DataTerm(x, y); }

    void GatherTargetPatch(int tx, int ty);
    bool IsCandidate(int x, int y) const;
    std::uint32_t SeedLimit(int tx, int ty);
    void FindBestSource(int tx, int ty);
    int CopyPatch(int tx, int ty, double confidence, int step);
    void ForEachNear(int tx, int ty, int reach, void (FastRun::*visit)(int, int));
    void LeaveQueue(int x, int y);
    void UpdateFrontPixel(int x, int y);
    void MarkFrontPixel(int x, int y);
    void RequeueWithPriority(int x, int y);
    void UpdateFront(int tx, int ty);
    void WriteBackPatch(int tx, int ty);
    void WriteBackAll();
    void WriteBackResult();

    PictureAccess& source_;
    PictureAccess& target_;
    const std::uint32_t marker_;
    const bool live_;
    const int r_;
    const int border_;
    const EngineTuning tuning_;
    SharingChoice sharing_;
    const RunHooks& hooks_;
    RunFacts& facts_;

    int W_ = 0;
    int H_ = 0;
    LargeArray<std::uint32_t> surface_;

    int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;  // TargetBox
    int x0_ = 0, x1_ = 0, y0_ = 0, y1_ = 0;            // SearchWindow
    int bandTop_ = 0, bandBottom_ = 0, bandBase_ = 0;
    long long unknown_ = 0;

    LargeArray<Fill> mask_;               // FillMask over the band
    LargeArray<double> grey_;             // grey values over the band
    LargeArray<double> priority_;         // priorities over the band
    LargeArray<int> filledBy_;            // step that last copied into the pixel, 0 for none
    std::vector<double> stepConfidence_;  // by step: the confidence the step gave its pixels
    std::vector<Shift> stepShift_;        // by step: source centre minus target pixel
    CandidateGrid grid_;                  // SourceValid inside the search window
    FrontQueue front_;
    PatchPixels patch_;
    std::unique_ptr<WorkerPool> pool_;
    struct TimedStep {
        double work = 0;  // of its search; 0 before the first
        std::chrono::steady_clock::time_point start;
        bool shared = false;
    } lastStep_;
    std::chrono::steady_clock::duration yielded_{};  // in the hooks since the last search began
    int sx_ = 0;
    int sy_ = 0;
};

// The same checks, in the same order and with the same outcomes, as the reference engine.
void FastRun::CheckSize() const {
    if (r_ < 0 || r_ > 32767 || border_ < 0)
        throw InpaintError(InpaintError::Reason::BadArgument,
                           "Block size or scan border out of range.");
    if (target_.Width() != W_ || target_.Height() != H_)
        throw InpaintError(InpaintError::Reason::SizeMismatch,
                           "The source and target pictures differ in size.");
    if (W_ < 0 || H_ < 0 || W_ > 32767 || H_ > 32767 ||
        static_cast<long long>(W_) * H_ * 4 > INT_MAX)
        throw InpaintError(InpaintError::Reason::PictureTooLarge,
                           "The picture is too large to remove marks from: at most 32767 pixels "
                           "wide and high and 536870911 pixels in all.");
}

bool FastRun::FindTargetBox() {
    left_ = W_;
    right_ = 0;
    top_ = H_;
    bottom_ = 0;
    unknown_ = 0;
    for (int y = 0; y < H_; ++y) {
        const std::uint32_t* row = surface_.data() + static_cast<std::size_t>(y) * W_;
        int count = 0;
        for (int x = 0; x < W_; ++x) count += IsMarker(row[x]) ? 1 : 0;  // no branch: vectorised
        if (count == 0) continue;
        unknown_ += count;
        int first = 0, last = W_ - 1;
        while (!IsMarker(row[first])) ++first;
        while (!IsMarker(row[last])) --last;
        left_ = std::min(left_, first);
        right_ = std::max(right_, last);
        top_ = std::min(top_, y);
        bottom_ = std::max(bottom_, y);
    }
    return unknown_ > 0;
}

void FastRun::SetSearchWindow() {
    const long long b = border_;
    x0_ = static_cast<int>(std::max<long long>(left_ - b, 0));
    x1_ = static_cast<int>(std::min<long long>(right_ + b, W_ - 1));
    y0_ = static_cast<int>(std::max<long long>(top_ - b, 0));
    y1_ = static_cast<int>(std::min<long long>(bottom_ + b, H_ - 1));
}

bool FastRun::IsFront(int p, int x, int y) {
    if (x == 0 || x == W_ - 1 || y == 0 || y == H_ - 1) return true;
    return Known(p + 1) || Known(p - 1) || Known(p + W_) || Known(p - W_);
}

void FastRun::BuildBand() {
    bandTop_ = std::max(top_ - r_ - 3, 0);
    bandBottom_ = std::min(bottom_ + r_ + 3, H_ - 1);
    bandBase_ = bandTop_ * W_;
    const std::size_t size = static_cast<std::size_t>(bandBottom_ - bandTop_ + 1) * W_;
    mask_.Allocate(size);
    grey_.Allocate(size);
    priority_.Assign(size, 0.0);
    filledBy_.Assign(size, 0);
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint32_t pixel = surface_[static_cast<std::size_t>(bandBase_) + i];
        mask_[i] = IsMarker(pixel) ? Fill::ToFill : Fill::Known;
        grey_[i] = GreyOf(pixel);
    }
    for (int y = top_; y <= bottom_; ++y) {
        for (int x = left_; x <= right_; ++x) {
            const int p = y * W_ + x;
            if (Mask(p) == Fill::ToFill && IsFront(p, x, y)) Mask(p) = Fill::Front;
        }
    }
}

// A centre is valid when its whole patch lies in the picture and held no marked pixel at the
// start. Marked pixels lie in the target box only: a running count per column of the target
// box rows near the candidate row that have a marked pixel within r columns answers it.
void FastRun::FindSourceCentres() {
    const int cxFirst = std::max(x0_, r_);
    const int cxLast = std::min(x1_, W_ - 1 - r_);
    const int cyFirst = std::max(y0_, r_);
    const int cyLast = std::min(y1_, H_ - 1 - r_);
    grid_.Reset(W_, cxFirst, cxLast, cyFirst, cyLast);
    if (cxFirst > cxLast || cyFirst > cyLast) return;

    std::vector<int> prefix(static_cast<std::size_t>(W_) + 1);
    std::vector<int> blockedRows(static_cast<std::size_t>(cxLast - cxFirst + 1), 0);
    auto countRow = [&](int y, int change) {
        if (y < top_ || y > bottom_) return;
        prefix[0] = 0;
        for (int x = 0; x < W_; ++x) prefix[x + 1] = prefix[x] + (Known(y * W_ + x) ? 0 : 1);
        for (int cx = cxFirst; cx <= cxLast; ++cx) {
            const int from = std::max(cx - r_, 0);
            const int to = std::min(cx + r_, W_ - 1);
            if (prefix[to + 1] - prefix[from] > 0) blockedRows[cx - cxFirst] += change;
        }
    };
    for (int y = cyFirst - r_; y < cyFirst + r_; ++y) countRow(y, 1);
    for (int cy = cyFirst; cy <= cyLast; ++cy) {
        countRow(cy + r_, 1);
        if (cy > cyFirst) countRow(cy - r_ - 1, -1);
        for (int cx = cxFirst; cx <= cxLast; ++cx) {
            if (blockedRows[cx - cxFirst] == 0) grid_.SetValid(cx, cy);
        }
    }
    grid_.FinishRuns();
    if (grid_.Count() >= tuning_.blockSearchFrom) grid_.BuildBlockRanges(surface_.data(), r_);
    facts_.blockRanges = grid_.HasBlockRanges();
}

bool FastRun::IsCandidate(int x, int y) const {
    return grid_.Valid(x, y);
}

void FastRun::InitialPriorities() {
    for (int y = top_; y <= bottom_; ++y) {
        for (int x = left_; x <= right_; ++x) {
            const int p = y * W_ + x;
            if (Mask(p) != Fill::Front) continue;
            priority_[Local(p)] = PatchPriority(x, y);
            front_.Insert(p, priority_[Local(p)]);
        }
    }
}

bool FastRun::Pause() {
    if (hooks_.yield) {
        const auto start = std::chrono::steady_clock::now();
        hooks_.yield();
        yielded_ += std::chrono::steady_clock::now() - start;
    }
    return hooks_.stop.stop_requested();
}

double FastRun::ConfidenceTerm(int x, int y) {
    double sum = 0.0;
    const int yFrom = std::max(y - r_, 0), yTo = std::min(y + r_, H_ - 1);
    const int xFrom = std::max(x - r_, 0), xTo = std::min(x + r_, W_ - 1);
    for (int qy = yFrom; qy <= yTo; ++qy) {
        for (int qx = xFrom; qx <= xTo; ++qx) sum = sum + Confidence(qy * W_ + qx);
    }
    const double side = 2.0 * r_ + 1.0;
    return sum / (side * side);
}

std::pair<double, double> FastRun::FrontNormal(int x, int y) {
    int found = 0;
    int fx[2] = {0, 0}, fy[2] = {0, 0};
    for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, H_ - 1) && found < 2; ++ny) {
        for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, W_ - 1) && found < 2; ++nx) {
            if (nx == x && ny == y) continue;
            if (Mask(ny * W_ + nx) != Fill::Front) continue;
            fx[found] = nx;
            fy[found] = ny;
            ++found;
        }
    }
    if (found < 2) return {0.6, 0.8};
    const int dx = fx[1] - fx[0];
    const int dy = fy[1] - fy[0];
    const double length = std::sqrt(static_cast<double>(dy * dy + dx * dx));
    const double a = dy == 0 ? 0.0 : dy / length;
    const double b = dx == 0 ? 0.0 : dx / length;
    return {a, b};
}

double FastRun::DataTerm(int x, int y) {
    double best = 0.0, bestGx = 0.0, bestGy = 0.0;
    const long long last = static_cast<long long>(W_) * H_ - 1;
    const int yFrom = std::max(y - r_, 0), yTo = std::min(y + r_, H_ - 1);
    const int xFrom = std::max(x - r_, 0), xTo = std::min(x + r_, W_ - 1);
    for (int qy = yFrom; qy <= yTo; ++qy) {
        for (int qx = xFrom; qx <= xTo; ++qx) {
            const int q = qy * W_ + qx;
            if (!Known(q)) continue;
            if (q - W_ < 0 || q + W_ > last || q - 1 < 0 || q + 1 > last) continue;
            if (!Known(q + 1) || !Known(q - 1) || !Known(q + W_) || !Known(q - W_)) continue;
            double gx = (Grey(q + 1) - Grey(q - 1)) / 2;
            const double gy = (Grey(q + W_) - Grey(q - W_)) / 2;
            if (qx == 0) gx = Grey(q + 1) - Grey(q);
            if (qx == W_ - 1) gx = Grey(q) - Grey(q - 1);
            const double m = gx * gx + gy * gy;
            if (m > best) {
                best = m;
                bestGx = gx;
                bestGy = gy;
            }
        }
    }
    const auto [a, b] = FrontNormal(x, y);
    return std::fabs((a * bestGy + b * (-bestGx)) / 255);
}

void FastRun::GatherTargetPatch(int tx, int ty) {
    patch_.Clear();
    for (int dy = -r_; dy <= r_; ++dy) {
        const int y = ty + dy;
        if (y <= 0 || y >= H_) continue;
        for (int dx = -r_; dx <= r_; ++dx) {
            const int x = tx + dx;
            if (x <= 0 || x >= W_) continue;
            const int t = y * W_ + x;
            if (Known(t)) patch_.Add(dx, dy, W_, surface_[static_cast<std::size_t>(t)]);
        }
    }
}

// The smallest sum among a few likely candidates, plus one: no candidate with a sum at or
// above it can be the winner, and the candidate that has it is one of those scanned.
std::uint32_t FastRun::SeedLimit(int tx, int ty) {
    std::uint32_t limit = kNoMatchLimit;
    int tried[kMaxSeeds];
    int triedCount = 0;
    auto trySeed = [&](int x, int y) {
        if (triedCount == kMaxSeeds || !IsCandidate(x, y)) return;
        const int centre = y * W_ + x;
        for (int i = 0; i < triedCount; ++i) {
            if (tried[i] == centre) return;
        }
        tried[triedCount++] = centre;
        const std::uint32_t sum = PatchDistance(surface_.data(), patch_, centre, limit);
        if (sum < limit) limit = sum + 1;
    };
    trySeed(sx_, sy_);
    int lastStep = 0;
    for (int dy = -r_; dy <= r_ && triedCount < kMaxSeeds; ++dy) {
        const int y = ty + dy;
        if (y < 0 || y >= H_) continue;
        for (int dx = -r_; dx <= r_; ++dx) {
            const int x = tx + dx;
            if (x < 0 || x >= W_) continue;
            const int step = filledBy_[Local(y * W_ + x)];
            if (step == 0 || step == lastStep || !Known(y * W_ + x)) continue;
            lastStep = step;
            const Shift shift = stepShift_[static_cast<std::size_t>(step)];
            trySeed(tx + shift.dx, ty + shift.dy);
        }
    }
    return limit;
}

void FastRun::FindBestSource(int tx, int ty) {
    GatherTargetPatch(tx, ty);
    patch_.PutOutliersFirst();
    const std::uint32_t limit = SeedLimit(tx, ty);
    SearchOutcome best;
    if (pool_) {
        // A step is timed whole, from one search to the next, less the time given to the hooks:
        // threads kept awake for the next search slow the rest of the step too.
        const auto start = std::chrono::steady_clock::now();
        if (lastStep_.work > 0)
            sharing_.Record(lastStep_.work, start - lastStep_.start - yielded_, lastStep_.shared);
        const double work = static_cast<double>(grid_.Count()) * std::max(patch_.Count(), 1);
        best = FindBestCandidate(surface_.data(), patch_, grid_, limit, tuning_, pool_.get(),
                                 sharing_.Share(work));
        lastStep_ = {work, start, best.shared};
        yielded_ = {};
    } else {
        best = FindBestCandidate(surface_.data(), patch_, grid_, limit, tuning_, nullptr);
    }
    if (best.found) {
        sx_ = best.position % W_;
        sy_ = best.position / W_;
    }
    if (best.kernel != SearchKernel::Auto) {
        facts_.kernel = best.kernel;
        ++facts_.searches;
        if (best.shared) ++facts_.sharedSearches;
    }
}

// Returns how many pixels changed from the marker colour to another colour.
int FastRun::CopyPatch(int tx, int ty, double confidence, int step) {
    stepConfidence_.push_back(confidence);
    stepShift_.push_back({sx_ - tx, sy_ - ty});
    int gained = 0;
    for (int dy = -r_; dy <= r_; ++dy) {
        const int y = ty + dy, sy = sy_ + dy;
        if (y < 0 || y >= H_ || sy < 0 || sy >= H_) continue;
        for (int dx = -r_; dx <= r_; ++dx) {
            const int x = tx + dx, sx = sx_ + dx;
            if (x < 0 || x >= W_ || sx < 0 || sx >= W_) continue;
            const int t = y * W_ + x;
            if (Known(t)) continue;
            const std::uint32_t pixel = surface_[static_cast<std::size_t>(sy) * W_ + sx];
            surface_[static_cast<std::size_t>(t)] = pixel;
            grey_[Local(t)] = GreyOf(pixel);
            filledBy_[Local(t)] = step;
            if (!IsMarker(pixel)) ++gained;
        }
    }
    unknown_ -= gained;
    return gained;
}

void FastRun::ForEachNear(int tx, int ty, int reach, void (FastRun::*visit)(int, int)) {
    const int yFrom = std::max(ty - reach, 0), yTo = std::min(ty + reach, H_ - 1);
    const int xFrom = std::max(tx - reach, 0), xTo = std::min(tx + reach, W_ - 1);
    for (int y = yFrom; y <= yTo; ++y) {
        for (int x = xFrom; x <= xTo; ++x) (this->*visit)(x, y);
    }
}

void FastRun::LeaveQueue(int x, int y) {
    const int p = y * W_ + x;
    if (Mask(p) == Fill::Front) front_.Erase(p, priority_[Local(p)]);
}

void FastRun::UpdateFrontPixel(int x, int y) {
    const int p = y * W_ + x;
    Mask(p) = IsMarker(surface_[static_cast<std::size_t>(p)]) ? Fill::ToFill : Fill::Known;
}

void FastRun::MarkFrontPixel(int x, int y) {
    const int p = y * W_ + x;
    if (Mask(p) == Fill::ToFill && IsFront(p, x, y)) Mask(p) = Fill::Front;
}

void FastRun::RequeueWithPriority(int x, int y) {
    const int p = y * W_ + x;
    if (Mask(p) != Fill::Front) return;
    priority_[Local(p)] = PatchPriority(x, y);
    front_.Insert(p, priority_[Local(p)]);
}

void FastRun::UpdateFront(int tx, int ty) {
    ForEachNear(tx, ty, r_ + 2, &FastRun::UpdateFrontPixel);
    ForEachNear(tx, ty, r_ + 2, &FastRun::MarkFrontPixel);
}

void FastRun::WriteBackPatch(int tx, int ty) {
    const int x = std::max(tx - r_, 0), y = std::max(ty - r_, 0);
    const int w = std::min(tx + r_, W_ - 1) - x + 1, h = std::min(ty + r_, H_ - 1) - y + 1;
    target_.WritePixels(x, y, w, h, surface_.data() + static_cast<std::size_t>(y) * W_ + x, W_);
    target_.Redraw();
}

void FastRun::WriteBackAll() {
    target_.WritePixels(0, 0, W_, H_, surface_.data(), W_);
    target_.Commit();
    target_.Redraw();
}

// Only pixels of the target box change: when the target is the source, it holds the rest.
void FastRun::WriteBackResult() {
    if (&target_ != &source_) {
        WriteBackAll();
        return;
    }
    const std::uint32_t* box = surface_.data() + static_cast<std::size_t>(top_) * W_ + left_;
    target_.WritePixels(left_, top_, right_ - left_ + 1, bottom_ - top_ + 1, box, W_);
    target_.Commit();
    target_.Redraw();
}

int FastRun::Execute() {
    W_ = source_.Width();
    H_ = source_.Height();
    CheckSize();
    const std::size_t pixels = static_cast<std::size_t>(W_) * H_;
    surface_.Allocate(pixels + kSurfacePadding);
    std::fill_n(surface_.data() + pixels, kSurfacePadding, 0u);
    source_.ReadPixels(surface_.data());
    if (!FindTargetBox()) {
        WriteBackAll();
        return 0;
    }
    SetSearchWindow();
    BuildBand();
    FindSourceCentres();
    stepConfidence_.assign(1, 0.0);  // step numbers start at 1
    stepShift_.assign(1, Shift{0, 0});
    InitialPriorities();
    const int threads = tuning_.threads > 0 ? tuning_.threads : DefaultThreads();
    if (threads > 1) pool_ = std::make_unique<WorkerPool>(threads);
    facts_.threads = pool_ ? pool_->Size() : 1;

    int step = 0;
    while (unknown_ > 0) {
        ++step;
        if (front_.Empty()) throw std::logic_error("no front pixel while pixels are left to fill");
        const int p = front_.Best();
        const int tx = p % W_, ty = p / W_;
        if (Pause()) return 0;
        FindBestSource(tx, ty);
        if (Pause()) return 0;
        const double confidence = ConfidenceTerm(tx, ty);
        if (CopyPatch(tx, ty, confidence, step) == 0) {
            throw InpaintError(
                InpaintError::Reason::NoSourceArea,
                "No source area to copy from: mark a smaller area or raise Scan Border.");
        }
        if (Pause()) return 0;
        ForEachNear(tx, ty, r_ + 3, &FastRun::LeaveQueue);
        UpdateFront(tx, ty);
        if (Pause()) return 0;
        ForEachNear(tx, ty, r_ + 3, &FastRun::RequeueWithPriority);
        if (hooks_.trace) hooks_.trace(StepTrace{step, tx, ty, sx_, sy_});
        if (Pause()) return 0;
        if (live_) {
            WriteBackPatch(tx, ty);
            if (Pause()) return 0;
        }
    }
    WriteBackResult();
    return step;
}

}  // namespace

int DefaultThreads() {
    return WorkerPool::AvailableCores();
}

int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks) {
    RunFacts facts;
    return InpaintPicture(source, target, options, hooks, facts);
}

int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks, RunFacts& facts) {
    try {
        FastRun run(source, target, options, hooks, facts);
        return run.Execute();
    } catch (const std::bad_alloc&) {
        throw InpaintError(InpaintError::Reason::OutOfMemory,
                           "Not enough memory to remove the marks from this picture.");
    }
}

}  // namespace inpaint::fast
