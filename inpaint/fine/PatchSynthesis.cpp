#include "inpaint/fine/PatchSynthesis.h"

#include <algorithm>
#include <memory>

#include "inpaint/fine/ExactStart.h"
#include "inpaint/fine/MarkRegions.h"

namespace inpaint::fine {

namespace {

constexpr int kRadius = 4;  // patches of 9 x 9 pixels
constexpr int kSide = 2 * kRadius + 1;
// Levels are halved until the holes are at most this thick: thin enough for a few matching
// rounds to settle, thick enough that a dark line of a photo is still there to be continued.
constexpr int kCoarsestThickness = 24;
// A hole pixel becomes the mean of what this many of the best matches covering it put there:
// one alone copies seams, all of them blur texture away. Fewer at the coarsest level, where
// every pixel stands for many.
constexpr int kVotes = 8;
constexpr int kCoarsestVotes = 2;
constexpr int kCoarsestRounds = 2;  // match-and-vote rounds per start at the coarsest level
constexpr int kRounds = 3;          // and on each level between it and full size
// The exact fill starts the coarsest level with Block Size 1 .. 3 only while holes x pixels
// stays below this, so that each start takes milliseconds.
constexpr double kExactStartBudget = 1e8;
constexpr int kMaxExactStartBlock = 3;
constexpr int kPauseEvery = 1024;  // patches matched between two pauses

std::uint32_t Channel(std::uint32_t pixel, int c) {
    return (pixel >> (8 * c)) & 255u;
}

std::uint32_t PixelFrom(const float* rgb) {
    std::uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c) {
        const float v = std::min(std::max(rgb[c] + 0.5f, 0.0f), 255.0f);
        pixel |= static_cast<std::uint32_t>(v) << (8 * c);
    }
    return pixel;
}

// One level of the pyramid: pixels as bytes B, G, R, 0, and the holes.
struct Level {
    int w = 0;
    int h = 0;
    std::vector<std::uint32_t> px;
    std::vector<std::uint8_t> hole;

    const std::uint8_t* Bytes(int p) const {
        return reinterpret_cast<const std::uint8_t*>(px.data() + p);
    }
    bool HasKnown() const { return std::find(hole.begin(), hole.end(), 0) != hole.end(); }
};

// Half the size: a coarse pixel is a hole when any of its pixels is; known ones average theirs.
Level Halve(const Level& fine) {
    Level coarse;
    coarse.w = (fine.w + 1) / 2;
    coarse.h = (fine.h + 1) / 2;
    coarse.px.assign(static_cast<std::size_t>(coarse.w) * coarse.h, 0);
    coarse.hole.assign(coarse.px.size(), 0);
    for (int y = 0; y < coarse.h; ++y) {
        for (int x = 0; x < coarse.w; ++x) {
            float sum[3] = {0, 0, 0};
            int known = 0;
            bool hole = false;
            for (int fy = 2 * y; fy < std::min(2 * y + 2, fine.h); ++fy) {
                for (int fx = 2 * x; fx < std::min(2 * x + 2, fine.w); ++fx) {
                    const int p = fy * fine.w + fx;
                    hole = hole || fine.hole[p];
                    if (fine.hole[p]) continue;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += static_cast<float>(Channel(fine.px[p], c));
                    ++known;
                }
            }
            const int q = y * coarse.w + x;
            coarse.hole[q] = hole;
            if (known > 0 && !hole) {
                for (float& s : sum) s /= static_cast<float>(known);
                coarse.px[q] = PixelFrom(sum);
            }
        }
    }
    return coarse;
}

// Fills the holes layer by layer from the outside in, each pixel the mean of its already known
// neighbours: a smooth start, and the whole fill where there is nothing to match.
void FillFromOutside(Level& level) {
    std::vector<std::uint8_t> known(level.hole.size());
    for (std::size_t i = 0; i < known.size(); ++i) known[i] = !level.hole[i];
    std::vector<int> layer;
    std::vector<std::uint32_t> values;
    do {
        layer.clear();
        values.clear();
        for (int y = 0; y < level.h; ++y) {
            for (int x = 0; x < level.w; ++x) {
                if (known[y * level.w + x]) continue;
                float sum[3] = {0, 0, 0};
                int count = 0;
                for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, level.h - 1); ++ny) {
                    for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, level.w - 1); ++nx) {
                        const int n = ny * level.w + nx;
                        if (!known[n]) continue;
                        for (int c = 0; c < 3; ++c)
                            sum[c] += static_cast<float>(Channel(level.px[n], c));
                        ++count;
                    }
                }
                if (count == 0) continue;
                for (float& s : sum) s /= static_cast<float>(count);
                layer.push_back(y * level.w + x);
                values.push_back(PixelFrom(sum));
            }
        }
        for (std::size_t i = 0; i < layer.size(); ++i) {
            level.px[layer[i]] = values[i];
            known[layer[i]] = 1;
        }
    } while (!layer.empty());
}

// A small fixed-seed generator: the same run always makes the same choices.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    int Range(int from, int to) {  // from .. to, both included
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return from + static_cast<int>(state_ % static_cast<std::uint64_t>(to - from + 1));
    }

private:
    std::uint64_t state_;
};

// Sum of squared byte differences of two patches given by their top-left pixels; stops early
// once it reaches `limit`. At most 81 * 3 * 255^2, well inside 32 bits.
std::uint32_t PatchDistance(const std::uint8_t* a, const std::uint8_t* b, int rowBytes,
                            std::uint32_t limit) {
    std::uint32_t sum = 0;
    for (int row = 0; row < kSide; ++row) {
        for (int i = 0; i < kSide * 4; ++i) {
            const int d = static_cast<int>(a[i]) - static_cast<int>(b[i]);
            sum += static_cast<std::uint32_t>(d * d);
        }
        if (sum >= limit) return sum;
        a += rowBytes;
        b += rowBytes;
    }
    return sum;
}

// The nearest-neighbour field of one level: for every patch overlapping a hole (a target), the
// known patch (a source: whole inside the level, no hole pixel) that matches it best so far.
// Found by propagating good matches to neighbours and trying random ones ever closer by.
class Matcher {
public:
    Matcher(Level& level, const SynthesisHooks& hooks, std::uint64_t seed)
        : level_(level), hooks_(hooks), random_(seed) {
        ListTargetsAndSources();
    }

    bool CanMatch() const { return !sources_.empty() && !targets_.empty(); }
    const Level& Pixels() const { return level_; }

    void RandomStart() {
        for (int& s : nnf_) s = RandomSource();
    }

    // Starts from the field of the level below, each match doubled; where that lands on no
    // source, a random source.
    void StartFrom(const Matcher& coarse) {
        const Level& c = coarse.level_;
        for (std::size_t k = 0; k < targets_.size(); ++k) {
            const int t = targets_[k], tx = t % level_.w, ty = t / level_.w;
            const int px = std::min(tx / 2, c.w - 1), py = std::min(ty / 2, c.h - 1);
            const int parent = coarse.targetOf_[py * c.w + px];
            int s = -1;
            if (parent >= 0) {
                const int cs = coarse.nnf_[static_cast<std::size_t>(parent)];
                const int sx = 2 * (cs % c.w) + tx - 2 * px, sy = 2 * (cs / c.w) + ty - 2 * py;
                if (sx < level_.w && sy < level_.h && sourceOk_[sy * level_.w + sx])
                    s = sy * level_.w + sx;
            }
            nnf_[k] = s >= 0 ? s : RandomSource();
        }
    }

    // Each match's distance for the holes as they are now.
    void Measure() {
        for (std::size_t k = 0; k < targets_.size(); ++k)
            dist_[k] = Distance(targets_[k], nnf_[k], UINT32_MAX);
    }

    // One round of matching: a pass forwards and one backwards, each trying the neighbours'
    // matches and random ones. False when the caller asked to stop.
    bool Improve() {
        Measure();
        return Pass(true) && Pass(false);
    }

    // The sum of all matches' distances: how well the fill agrees with what is known.
    std::uint64_t Energy() const {
        std::uint64_t sum = 0;
        for (std::uint32_t d : dist_) sum += d;
        return sum;
    }

    // Every hole pixel becomes the mean of what the `votes` best matches covering it put there.
    void Vote(int votes) {
        const std::size_t slots = holes_.size() * static_cast<std::size_t>(votes);
        std::vector<std::uint32_t> bestDist(slots, UINT32_MAX), bestValue(slots, 0);
        ForEachCover([&](std::size_t k, int q, int s) {
            std::uint32_t d = dist_[k], v = level_.px[static_cast<std::size_t>(s)];
            const std::size_t first = static_cast<std::size_t>(holeOf_[q]) * votes;
            if (d >= bestDist[first + votes - 1]) return;
            for (std::size_t j = first; j < first + votes && d != UINT32_MAX; ++j) {
                if (d >= bestDist[j]) continue;  // the list stays sorted
                std::swap(d, bestDist[j]);
                std::swap(v, bestValue[j]);
            }
        });
        for (std::size_t i = 0; i < holes_.size(); ++i) {
            float sum[3] = {0, 0, 0};
            int count = 0;
            for (std::size_t j = i * votes; j < (i + 1) * votes && bestDist[j] != UINT32_MAX;
                 ++j, ++count)
                for (int c = 0; c < 3; ++c) sum[c] += static_cast<float>(Channel(bestValue[j], c));
            if (count == 0) continue;
            for (float& v : sum) v /= static_cast<float>(count);
            level_.px[static_cast<std::size_t>(holes_[i])] = PixelFrom(sum);
        }
    }

    // For every hole pixel, the pixel that the best match covering it puts there (-1
    // elsewhere): a copy with the sources' own detail.
    std::vector<int> BestSources() const {
        std::vector<int> from(level_.px.size(), -1);
        std::vector<std::uint32_t> best(level_.px.size(), UINT32_MAX);
        ForEachCover([&](std::size_t k, int q, int s) {
            if (dist_[k] >= best[static_cast<std::size_t>(q)]) return;
            best[static_cast<std::size_t>(q)] = dist_[k];
            from[static_cast<std::size_t>(q)] = s;
        });
        return from;
    }

private:
    int RandomSource() {
        return sources_[static_cast<std::size_t>(
            random_.Range(0, static_cast<int>(sources_.size()) - 1))];
    }

    // visit(target index, hole pixel, the pixel the target's match puts there), targets in order.
    template <typename Visit>
    void ForEachCover(Visit visit) const {
        for (std::size_t k = 0; k < targets_.size(); ++k) {
            const int t = targets_[k], s = nnf_[k];
            for (int dy = -kRadius; dy <= kRadius; ++dy) {
                for (int dx = -kRadius; dx <= kRadius; ++dx) {
                    const int offset = dy * level_.w + dx;
                    if (level_.hole[static_cast<std::size_t>(t + offset)])
                        visit(k, t + offset, s + offset);
                }
            }
        }
    }

    void ListTargetsAndSources() {
        const int w = level_.w, h = level_.h;
        // Holes per patch from a summed-area table.
        std::vector<int> sat(static_cast<std::size_t>(w + 1) * (h + 1), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                sat[(y + 1) * (w + 1) + x + 1] = sat[y * (w + 1) + x + 1] +
                                                 sat[(y + 1) * (w + 1) + x] - sat[y * (w + 1) + x] +
                                                 level_.hole[y * w + x];
        auto holes = [&](int x, int y) {
            const int x0 = x - kRadius, y0 = y - kRadius, x1 = x + kRadius + 1,
                      y1 = y + kRadius + 1;
            return sat[y1 * (w + 1) + x1] - sat[y0 * (w + 1) + x1] - sat[y1 * (w + 1) + x0] +
                   sat[y0 * (w + 1) + x0];
        };
        sourceOk_.assign(level_.px.size(), 0);
        targetOf_.assign(level_.px.size(), -1);
        holeOf_.assign(level_.px.size(), -1);
        for (std::size_t p = 0; p < level_.px.size(); ++p) {
            if (!level_.hole[p]) continue;
            holeOf_[p] = static_cast<int>(holes_.size());
            holes_.push_back(static_cast<int>(p));
        }
        for (int y = kRadius; y < h - kRadius; ++y) {
            for (int x = kRadius; x < w - kRadius; ++x) {
                const int p = y * w + x;
                if (holes(x, y) == 0) {
                    sourceOk_[p] = 1;
                    sources_.push_back(p);
                } else {
                    targetOf_[p] = static_cast<int>(targets_.size());
                    targets_.push_back(p);
                }
            }
        }
        nnf_.assign(targets_.size(), 0);
        dist_.assign(targets_.size(), UINT32_MAX);
    }

    std::uint32_t Distance(int t, int s, std::uint32_t limit) const {
        const int corner = -kRadius * level_.w - kRadius;
        return PatchDistance(level_.Bytes(t + corner), level_.Bytes(s + corner), level_.w * 4,
                             limit);
    }

    void Try(std::size_t k, int s) {
        if (s < 0 || s >= static_cast<int>(sourceOk_.size()) || !sourceOk_[s] || s == nnf_[k])
            return;
        const std::uint32_t d = Distance(targets_[k], s, dist_[k]);
        if (d < dist_[k]) {
            dist_[k] = d;
            nnf_[k] = s;
        }
    }

    bool Pass(bool forward) {
        const int w = level_.w, n = static_cast<int>(targets_.size());
        const int step = forward ? 1 : -1;
        const int pixels = static_cast<int>(targetOf_.size());
        for (int i = 0; i < n; ++i) {
            const std::size_t k = static_cast<std::size_t>(forward ? i : n - 1 - i);
            const int t = targets_[k];
            // The neighbours already visited in this pass, their matches shifted alike; a shift
            // that leaves the row or the level lands on no source.
            const int side = targetOf_[t - step];
            if (side >= 0) Try(k, nnf_[static_cast<std::size_t>(side)] + step);
            const int up = t - step * w;
            const int above = up >= 0 && up < pixels ? targetOf_[up] : -1;
            if (above >= 0) Try(k, nnf_[static_cast<std::size_t>(above)] + step * w);
            const int bx = nnf_[k] % w, by = nnf_[k] / w;
            for (int r = std::max(w, level_.h); r >= 1; r /= 2) {
                const int x = bx + random_.Range(-r, r), y = by + random_.Range(-r, r);
                if (x >= 0 && y >= 0 && x < w && y < level_.h) Try(k, y * w + x);
            }
            if (i % kPauseEvery == kPauseEvery - 1 && hooks_.pause && hooks_.pause()) return false;
        }
        return true;
    }

    Level& level_;
    const SynthesisHooks& hooks_;
    Random random_;
    std::vector<int> targets_;   // centres of patches that overlap a hole, in row order
    std::vector<int> targetOf_;  // per pixel: its index in targets_, or -1
    std::vector<int> sources_;
    std::vector<std::uint8_t> sourceOk_;
    std::vector<int> holes_;   // the hole pixels
    std::vector<int> holeOf_;  // per pixel: its index in holes_, or -1
    std::vector<int> nnf_;     // per target: the centre of its best source so far
    std::vector<std::uint32_t> dist_;
};

// Puts the coarser level's hole values into the finer level's holes, each coarse pixel
// covering its four.
void Enlarge(const Level& coarse, Level& fine) {
    for (int y = 0; y < fine.h; ++y)
        for (int x = 0; x < fine.w; ++x)
            if (fine.hole[y * fine.w + x])
                fine.px[y * fine.w + x] = coarse.px[(y / 2) * coarse.w + x / 2];
}

void ShowLevel(const Level& level, int index, const Canvas& canvas, const SynthesisHooks& hooks) {
    if (!hooks.show) return;
    Canvas shown = canvas;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            if (canvas.hole[y * canvas.width + x])
                shown.pixels[y * canvas.width + x] =
                    level.px[(y >> index) * level.w + (x >> index)];
    hooks.show(shown);
}

std::vector<Level> Pyramid(const Canvas& canvas) {
    std::vector<Level> levels(1);
    levels[0].w = canvas.width;
    levels[0].h = canvas.height;
    levels[0].hole = canvas.hole;
    levels[0].px.resize(canvas.pixels.size());
    for (std::size_t i = 0; i < canvas.pixels.size(); ++i)
        levels[0].px[i] = canvas.hole[i] ? 0 : canvas.pixels[i] & 0x00FFFFFFu;
    const int thickness = MarkThickness(canvas.hole, canvas.width, canvas.height);
    while ((thickness >> (levels.size() - 1)) > kCoarsestThickness &&
           (levels.back().w + 1) / 2 >= 3 * kSide && (levels.back().h + 1) / 2 >= 3 * kSide) {
        Level coarser = Halve(levels.back());
        if (!coarser.HasKnown()) break;
        levels.push_back(std::move(coarser));
    }
    return levels;
}

// The coarsest level filled from one start and matched; its energy tells how well it agrees
// with the known pixels.
struct Trial {
    std::unique_ptr<Level> level;
    std::unique_ptr<Matcher> matcher;
    std::uint64_t energy = UINT64_MAX;
};

// Start 0 fills from the outside in, which keeps skies smooth; start b > 0 runs the exact fill
// with Block Size b, whose order carries edges into the hole. False when asked to stop.
bool RunTrial(const Level& coarsest, int start, const SynthesisHooks& hooks,
              const EngineTuning& exactTuning, Trial& trial) {
    trial.level = std::make_unique<Level>(coarsest);
    Level& level = *trial.level;
    if (start == 0) {
        FillFromOutside(level);
    } else {
        const auto holes = std::count(level.hole.begin(), level.hole.end(), 1);
        if (static_cast<double>(holes) * static_cast<double>(level.px.size()) > kExactStartBudget ||
            !FillWithExactEngine(level.w, level.h, level.px, level.hole, start, exactTuning)) {
            trial.level.reset();
            return true;
        }
    }
    trial.matcher = std::make_unique<Matcher>(level, hooks, static_cast<std::uint64_t>(start) + 1);
    Matcher& m = *trial.matcher;
    if (!m.CanMatch()) return true;
    m.RandomStart();
    for (int round = 0; round < kCoarsestRounds; ++round) {
        if (!m.Improve()) return false;
        m.Vote(kCoarsestVotes);
    }
    if (!m.Improve()) return false;
    trial.energy = m.Energy();
    return true;
}

}  // namespace

SynthesisResult Synthesize(Canvas& canvas, const SynthesisHooks& hooks,
                           const EngineTuning& exactTuning) {
    Level first{canvas.width, canvas.height, {}, canvas.hole};
    if (!first.HasKnown()) return SynthesisResult::NothingToCopy;
    auto pause = [&] { return hooks.pause && hooks.pause(); };
    std::vector<Level> levels = Pyramid(canvas);
    if (pause()) return SynthesisResult::Stopped;
    const int coarsest = static_cast<int>(levels.size()) - 1;

    // The coarsest level: of all starts, the fill with the lowest energy.
    Trial best;
    for (int start = 0; start <= kMaxExactStartBlock; ++start) {
        Trial trial;
        if (!RunTrial(levels.back(), start, hooks, exactTuning, trial))
            return SynthesisResult::Stopped;
        if (trial.level && (!best.level || trial.energy < best.energy)) best = std::move(trial);
        if (pause()) return SynthesisResult::Stopped;
    }
    levels.back().px = best.level->px;
    std::unique_ptr<Matcher> previous;
    if (best.matcher && best.matcher->CanMatch()) previous = std::move(best.matcher);
    ShowLevel(levels.back(), coarsest, canvas, hooks);

    // The levels between: start from the coarser level's matches, then match and vote.
    for (int i = coarsest - 1; i >= 1; --i) {
        Level& level = levels[static_cast<std::size_t>(i)];
        Enlarge(levels[static_cast<std::size_t>(i) + 1], level);
        auto matcher = std::make_unique<Matcher>(level, hooks, static_cast<std::uint64_t>(i) + 10);
        if (pause()) return SynthesisResult::Stopped;
        if (matcher->CanMatch()) {
            if (previous)
                matcher->StartFrom(*previous);
            else
                matcher->RandomStart();
            for (int round = 0; round < kRounds; ++round) {
                if (!matcher->Improve()) return SynthesisResult::Stopped;
                matcher->Vote(kVotes);
                if (pause()) return SynthesisResult::Stopped;
            }
            previous = std::move(matcher);
        } else {
            previous.reset();
        }
        ShowLevel(level, i, canvas, hooks);
        if (pause()) return SynthesisResult::Stopped;
    }

    // Full size: every hole pixel copies the sharp pixel of the best match covering it, the
    // matches carried up from the level below.
    Level& full = levels[0];
    if (coarsest > 0) {
        Enlarge(levels[1], full);
        auto matcher = std::make_unique<Matcher>(full, hooks, 1000);
        if (pause()) return SynthesisResult::Stopped;
        if (matcher->CanMatch()) {
            if (previous) {
                matcher->StartFrom(*previous);
                matcher->Measure();
                if (pause()) return SynthesisResult::Stopped;
            } else {
                matcher->RandomStart();
                if (!matcher->Improve()) return SynthesisResult::Stopped;
            }
            previous = std::move(matcher);
        } else {
            previous.reset();
        }
    }
    if (previous) {
        const std::vector<int> from = previous->BestSources();
        const Level& known = previous->Pixels();
        for (std::size_t q = 0; q < from.size(); ++q)
            if (from[q] >= 0) full.px[q] = known.px[static_cast<std::size_t>(from[q])];
    }
    for (std::size_t p = 0; p < canvas.pixels.size(); ++p)
        if (canvas.hole[p])
            canvas.pixels[p] = (canvas.pixels[p] & 0xFF000000u) | (full.px[p] & 0x00FFFFFFu);
    return SynthesisResult::Filled;
}

}  // namespace inpaint::fine
