// Runs the reference engine and the fast engine side by side on generated pictures and
// requires the same outcome, the same pixels and the same step trace from both.
#include <QtTest>

#include <cstdint>
#include <optional>
#include <random>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "inpaint/Inpainting.h"
#include "inpaint/MemoryPicture.h"
#include "inpaint/fast/FastInpainting.h"
#include "inpaint/fast/SearchKernels.h"
#include "inpaint/reference/ReferenceEngine.h"

using inpaint::kMarkerPixel;
using inpaint::MemoryPicture;
using inpaint::PixelOf;
using inpaint::StepTrace;

namespace {

struct Case {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    int blockRadius = 4;
    int scanBorder = 10;
    bool liveDisplay = false;
    int threads = 0;  // 0: every core, searches shared only when large enough
    inpaint::SearchKernel kernel = inpaint::SearchKernel::Auto;
    bool blocks = false;  // pass over blocks of poor centres, however small the search
    std::string description;
};

struct Outcome {
    int steps = -1;
    std::optional<inpaint::InpaintError::Reason> error;
    std::vector<StepTrace> trace;
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint32_t> committed;
};

using Engine = int (*)(inpaint::PictureAccess&, inpaint::PictureAccess&,
                       const inpaint::InpaintOptions&, const inpaint::RunHooks&);

inpaint::InpaintOptions Options(int blockRadius, int scanBorder, bool liveDisplay) {
    inpaint::InpaintOptions options;
    options.blockRadius = blockRadius;
    options.scanBorder = scanBorder;
    options.liveDisplay = liveDisplay;
    return options;
}

// The case's fast-engine settings; a case that names its threads shares every search among
// them, however small.
inpaint::InpaintOptions Options(const Case& c) {
    inpaint::InpaintOptions options = Options(c.blockRadius, c.scanBorder, c.liveDisplay);
    options.tuning.threads = c.threads;
    options.tuning.kernel = c.kernel;
    if (c.threads > 1) options.tuning.parallelWork = 0;
    if (c.blocks) options.tuning.blockSearchFrom = 0;
    return options;
}

// What run(picture, options, hooks) gives on the case's picture.
template <typename Run>
Outcome Record(const Case& c, Run run) {
    MemoryPicture picture(c.width, c.height, c.pixels);
    Outcome outcome;
    inpaint::RunHooks hooks;
    hooks.trace = [&](const StepTrace& t) { outcome.trace.push_back(t); };
    try {
        outcome.steps = run(picture, Options(c), hooks);
    } catch (const inpaint::InpaintError& e) {
        outcome.error = e.reason();
    }
    outcome.pixels = picture.Pixels();
    outcome.committed = picture.Committed();
    return outcome;
}

Outcome RunEngine(Engine engine, const Case& c) {
    return Record(c, [&](MemoryPicture& picture, const inpaint::InpaintOptions& options,
                         const inpaint::RunHooks& hooks) {
        return engine(picture, picture, options, hooks);
    });
}

Outcome RunFast(const Case& c, inpaint::fast::RunFacts& facts) {
    return Record(c, [&](MemoryPicture& picture, const inpaint::InpaintOptions& options,
                         const inpaint::RunHooks& hooks) {
        return inpaint::fast::InpaintPicture(picture, picture, options, hooks, facts);
    });
}

// The inner loop a search must run when `requested` is asked for on this build and processor.
inpaint::SearchKernel KernelFor(inpaint::SearchKernel requested) {
    using inpaint::SearchKernel;
    if (requested == SearchKernel::Scalar) return SearchKernel::Scalar;
#ifdef BRISVANE_X86_KERNELS
    if (requested == SearchKernel::Sse2) return SearchKernel::Sse2;
    return __builtin_cpu_supports("avx2") ? SearchKernel::Avx2 : SearchKernel::Sse2;
#else
    return SearchKernel::Scalar;
#endif
}

// Empty when the fast run went about its work as the case's tuning asks, else how it did not.
// The results cannot show it, but a kernel or a way of sharing out that is never run is never
// checked against the reference.
std::string TuningIgnored(const Case& c, const inpaint::fast::RunFacts& facts) {
    if (facts.searches == 0) return {};  // no search needed an inner loop: nothing to show
    if (facts.kernel != KernelFor(c.kernel))
        return "searched with kernel " + std::to_string(static_cast<int>(facts.kernel));
    if (facts.blockRanges != c.blocks) return "block ranges the case did not ask for, or none";
    const int threads = c.threads > 0 ? c.threads : inpaint::fast::DefaultThreads();
    if (facts.threads != threads)
        return "searched with " + std::to_string(facts.threads) + " threads";
    if (c.threads > 1 && facts.sharedSearches != facts.searches)
        return "not every search shared among the threads";
    if (threads == 1 && facts.sharedSearches != 0) return "a search shared with no other thread";
    return {};
}

// Small deterministic generator: the same cases on every platform and compiler.
class Dice {
public:
    explicit Dice(std::uint32_t seed) : engine_(seed) {}
    int Between(int low, int high) {
        if (high <= low) return low;
        return low + static_cast<int>(engine_() % static_cast<std::uint32_t>(high - low + 1));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(engine_() & 255); }

private:
    std::mt19937 engine_;
};

std::uint32_t RandomColour(Dice& dice) {
    std::uint32_t c;
    do {
        c = PixelOf(dice.Byte(), dice.Byte(), dice.Byte(), dice.Byte());
    } while ((c & 0xFFFFFFu) == (kMarkerPixel & 0xFFFFFFu));
    return c;
}

void PaintContent(Case& c, Dice& dice) {
    const int kind = dice.Between(0, 4);
    const std::uint32_t a = RandomColour(dice), b = RandomColour(dice);
    const int fx = dice.Between(-6, 6), fy = dice.Between(-6, 6);
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < dice.Between(2, 4); ++i) palette.push_back(RandomColour(dice));
    const int tile = dice.Between(2, 9);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            std::uint32_t& px = c.pixels[static_cast<std::size_t>(y) * c.width + x];
            switch (kind) {
                case 0:  // noise
                    px = RandomColour(dice);
                    break;
                case 1:  // gradient with a little noise
                    px = PixelOf(static_cast<std::uint8_t>(x * fx + y * fy + dice.Between(0, 3)),
                                 static_cast<std::uint8_t>(x * fy - y * fx + 100),
                                 static_cast<std::uint8_t>((x + y) * 3), dice.Byte());
                    break;
                case 2:  // flat: one colour everywhere, every sum ties
                    px = a;
                    break;
                case 3:  // flat tiles of a few colours: many ties
                    px = palette[static_cast<std::size_t>((x / tile + y / tile) %
                                                          static_cast<int>(palette.size()))];
                    break;
                default:  // two halves with an edge and noise in one
                    px = (x * fy + y * fx) > 0 ? a : (dice.Chance(50) ? b : RandomColour(dice));
                    break;
            }
        }
    }
}

void MarkRect(Case& c, int x0, int y0, int w, int h) {
    for (int y = std::max(y0, 0); y < std::min(y0 + h, c.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x0 + w, c.width); ++x)
            c.pixels[static_cast<std::size_t>(y) * c.width + x] =
                kMarkerPixel | (static_cast<std::uint32_t>(x & 255) << 24);
}

void PaintMarks(Case& c, Dice& dice) {
    const int kind = dice.Between(0, 6);
    const int W = c.width, H = c.height;
    switch (kind) {
        case 0:  // one box inside
            MarkRect(c, dice.Between(0, W - 1), dice.Between(0, H - 1), dice.Between(1, W / 3 + 1),
                     dice.Between(1, H / 3 + 1));
            break;
        case 1:  // boxes touching edges and corners
            MarkRect(c, 0, dice.Between(0, H - 1), dice.Between(1, W / 4 + 1),
                     dice.Between(1, H / 4 + 1));
            MarkRect(c, W - dice.Between(1, W / 4 + 1), H - dice.Between(1, H / 4 + 1), W, H);
            if (dice.Chance(50)) MarkRect(c, 0, 0, dice.Between(1, 4), dice.Between(1, 4));
            break;
        case 2:  // several separate areas
            for (int i = dice.Between(2, 5); i > 0; --i)
                MarkRect(c, dice.Between(0, W - 1), dice.Between(0, H - 1), dice.Between(1, 6),
                         dice.Between(1, 6));
            break;
        case 3:  // scattered single pixels and short strokes
            for (int i = dice.Between(3, 20); i > 0; --i)
                MarkRect(c, dice.Between(0, W - 1), dice.Between(0, H - 1), dice.Between(1, 3), 1);
            break;
        case 4:  // a large area: few or no valid source centres
            MarkRect(c, dice.Between(0, W / 4), dice.Between(0, H / 4), W - dice.Between(0, W / 4),
                     H - dice.Between(0, H / 4));
            break;
        case 5:  // a stamp-like band near a corner
            MarkRect(c, W / 2 + dice.Between(0, W / 4), H - dice.Between(2, H / 4 + 2),
                     dice.Between(3, W / 2), dice.Between(1, 5));
            break;
        default:  // everything marked: nothing to copy from
            if (dice.Chance(50))
                MarkRect(c, 0, 0, W, H);
            else
                MarkRect(c, 0, 0, dice.Between(1, W), dice.Between(1, H));
            break;
    }
}

Case MakeCase(std::uint32_t seed) {
    Dice dice(seed);
    Case c;
    const bool large = dice.Chance(15);
    c.width = large ? dice.Between(40, 90) : dice.Between(1, 40);
    c.height = large ? dice.Between(30, 70) : dice.Between(1, 32);
    c.pixels.assign(static_cast<std::size_t>(c.width) * c.height, 0);
    PaintContent(c, dice);
    PaintMarks(c, dice);
    c.blockRadius = dice.Chance(70) ? dice.Between(2, 6) : dice.Between(2, 32);
    if (dice.Chance(4))
        c.blockRadius = dice.Between(0, 1);  // beyond the slider, still handled alike
    c.scanBorder = dice.Chance(60) ? dice.Between(10, 40) : dice.Between(10, 500);
    c.liveDisplay = dice.Chance(20);
    c.threads = dice.Chance(30) ? dice.Between(1, 4) : 0;
    const int kernel = dice.Between(0, 5);
    c.blocks = dice.Chance(40);
    c.kernel = kernel == 1   ? inpaint::SearchKernel::Scalar
               : kernel == 2 ? inpaint::SearchKernel::Sse2
                             : inpaint::SearchKernel::Auto;
    c.description = "seed " + std::to_string(seed) + ": " + std::to_string(c.width) + "x" +
                    std::to_string(c.height) + ", Block Size " + std::to_string(c.blockRadius) +
                    ", Scan Border " + std::to_string(c.scanBorder) +
                    (c.liveDisplay ? ", live" : "") + ", threads " + std::to_string(c.threads) +
                    ", kernel " + std::to_string(kernel) + (c.blocks ? ", blocks" : "");
    return c;
}

// A generated case whose picture is replaced by random colours of the given size, unmarked.
Case NoiseCase(std::uint32_t seed, int width, int height, std::uint32_t colourSeed) {
    Case c = MakeCase(seed);
    c.width = width;
    c.height = height;
    c.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    Dice dice(colourSeed);
    for (auto& px : c.pixels) px = RandomColour(dice);
    return c;
}

std::string TraceText(const StepTrace& t) {
    return "step " + std::to_string(t.step) + " target (" + std::to_string(t.tx) + ", " +
           std::to_string(t.ty) + ") source (" + std::to_string(t.sx) + ", " +
           std::to_string(t.sy) + ")";
}

// Empty when both outcomes agree, else a description of the first difference.
std::string FirstDifference(const Outcome& ref, const Outcome& fast) {
    const std::size_t n = std::min(ref.trace.size(), fast.trace.size());
    for (std::size_t i = 0; i < n; ++i) {
        const StepTrace &a = ref.trace[i], &b = fast.trace[i];
        if (a.step != b.step || a.tx != b.tx || a.ty != b.ty || a.sx != b.sx || a.sy != b.sy)
            return "first differing step: reference " + TraceText(a) + ", fast " + TraceText(b);
    }
    if (ref.trace.size() != fast.trace.size())
        return "reference traced " + std::to_string(ref.trace.size()) + " steps, fast " +
               std::to_string(fast.trace.size());
    if (ref.error != fast.error) return "the runs ended differently (error or not)";
    if (ref.steps != fast.steps)
        return "step count: reference " + std::to_string(ref.steps) + ", fast " +
               std::to_string(fast.steps);
    if (ref.pixels != fast.pixels) return "the pixels differ";
    if (ref.committed != fast.committed) return "the committed pictures differ";
    return {};
}

}  // namespace

class FastEngineDifferentialTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void GeneratedCases_Should_GiveTheReferenceResultsExactly() {
        int filled = 0, failed = 0;
        int byKernel[3] = {0, 0, 0}, withBlocks = 0, shared = 0;  // runs that searched
        for (std::uint32_t seed = 1; seed <= 400; ++seed) {
            const Case c = MakeCase(seed);
            const Outcome ref = RunEngine(inpaint::reference::InpaintPicture, c);
            inpaint::fast::RunFacts facts;
            const Outcome fast = RunFast(c, facts);
            const std::string difference = FirstDifference(ref, fast);
            if (!difference.empty()) QFAIL((c.description + ": " + difference).c_str());
            const std::string ignored = TuningIgnored(c, facts);
            if (!ignored.empty()) QFAIL((c.description + ": " + ignored).c_str());
            if (facts.searches > 0) {
                ++byKernel[static_cast<int>(c.kernel) % 3];  // Auto, Scalar, Sse2
                withBlocks += facts.blockRanges ? 1 : 0;
                shared += facts.sharedSearches > 0 ? 1 : 0;
            }
            if (ref.error)
                ++failed;
            else if (ref.steps > 0)
                ++filled;
        }
        // The cases must mostly fill something, and must also reach the no-source ending.
        QVERIFY2(filled >= 250, std::to_string(filled).c_str());
        QVERIFY(failed >= 5);
        // Every kernel and way of searching is compared on many cases.
        for (const int runs : byKernel) QVERIFY2(runs >= 20, std::to_string(runs).c_str());
        QVERIFY2(withBlocks >= 45, std::to_string(withBlocks).c_str());
        QVERIFY2(shared >= 25, std::to_string(shared).c_str());
    }

    void BadArgumentsAndSizes_Should_FailAlikeAndTouchNothing() {
        struct SizeOnly : inpaint::PictureAccess {
            SizeOnly(int w, int h) : w(w), h(h) {}
            int w, h, touched = 0;
            int Width() const override { return w; }
            int Height() const override { return h; }
            void ReadPixels(std::uint32_t*) const override {
                ++const_cast<SizeOnly*>(this)->touched;
            }
            void WritePixels(int, int, int, int, const std::uint32_t*, int) override { ++touched; }
        };
        struct Arguments {
            int w, h, targetW, targetH, radius, border;
        };
        for (const Arguments a :
             {Arguments{10, 10, 10, 10, -1, 10}, Arguments{10, 10, 10, 10, 4, -1},
              Arguments{10, 10, 10, 10, 40000, 10}, Arguments{10, 10, 11, 10, 4, 10},
              Arguments{40000, 10, 40000, 10, 4, 10}, Arguments{30000, 30000, 30000, 30000, 4, 10},
              Arguments{-3, 10, -3, 10, 4, 10}}) {
            std::optional<inpaint::InpaintError::Reason> reasons[2];
            Engine engines[2] = {inpaint::reference::InpaintPicture, inpaint::fast::InpaintPicture};
            for (int e = 0; e < 2; ++e) {
                SizeOnly source(a.w, a.h), target(a.targetW, a.targetH);
                try {
                    engines[e](source, target, Options(a.radius, a.border, false), {});
                } catch (const inpaint::InpaintError& error) {
                    reasons[e] = error.reason();
                }
                QCOMPARE(source.touched + target.touched, 0);
            }
            QVERIFY(reasons[0].has_value());
            QVERIFY(reasons[0] == reasons[1]);
        }
    }

    void ByteThreeAndNaturalMarkerPixels_Should_BeHandledAlike() {
        Case c = NoiseCase(7, 30, 20, 99);
        c.pixels[5 * 30 + 7] =
            kMarkerPixel | 0xAB000000u;               // a photo pixel that happens to be pure green
        c.pixels[12 * 30 + 20] = PixelOf(0, 254, 0);  // one off: stays
        MarkRect(c, 10, 8, 6, 4);
        const Outcome ref = RunEngine(inpaint::reference::InpaintPicture, c);
        const Outcome fast = RunEngine(inpaint::fast::InpaintPicture, c);
        QCOMPARE(FirstDifference(ref, fast), std::string());
        QVERIFY(ref.steps > 0);
        QCOMPARE(fast.pixels[12 * 30 + 20], PixelOf(0, 254, 0));
    }

    void StopAfterSomeSteps_Should_LeaveTheSamePictureInBoth() {
        Case c = NoiseCase(11, 40, 30, 5);
        MarkRect(c, 12, 10, 14, 8);
        c.liveDisplay = true;
        for (const int stopAt : {2, 4, 7}) {
            std::vector<std::uint32_t> seen[2];
            Engine engines[2] = {inpaint::reference::InpaintPicture, inpaint::fast::InpaintPicture};
            for (int e = 0; e < 2; ++e) {
                MemoryPicture picture(c.width, c.height, c.pixels);
                std::stop_source stop;
                inpaint::RunHooks hooks;
                hooks.stop = stop.get_token();
                hooks.trace = [&](const StepTrace& t) {
                    if (t.step == stopAt) stop.request_stop();
                };
                QCOMPARE(engines[e](picture, picture, Options(2, 10, true), hooks), 0);
                QCOMPARE(picture.commits, 0);
                seen[e] = picture.Pixels();
            }
            QVERIFY(seen[0] == seen[1]);
            QVERIFY(seen[0] != c.pixels);
        }
    }
};

QTEST_GUILESS_MAIN(FastEngineDifferentialTest)
#include "FastEngineDifferentialTest.moc"
