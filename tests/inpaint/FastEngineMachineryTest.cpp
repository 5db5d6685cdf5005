// The parts of the fast engine that make it fast: the front queue, the integer patch search with
// early stopping, and the sharing of the search among threads.
#include <QtTest>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <random>
#include <stdexcept>
#include <stop_token>
#include <thread>
#include <vector>

#include "inpaint/MemoryPicture.h"
#include "inpaint/fast/FastInpainting.h"
#include "inpaint/fast/FrontQueue.h"
#include "inpaint/fast/LargeArray.h"
#include "inpaint/fast/PatchSearch.h"
#include "inpaint/fast/WorkerPool.h"

using namespace inpaint::fast;
using inpaint::EngineTuning;
using inpaint::PixelOf;
using inpaint::SearchKernel;

namespace {

// A picture of W x H pixels with padding after it, as the engine keeps it.
struct Surface {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
    Surface(int w, int h)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h + kSurfacePadding, 0) {}
    std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A target patch of radius r around (tx, ty) with every pixel known.
PatchPixels PatchAround(Surface& s, int tx, int ty, int r) {
    PatchPixels patch;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) patch.Add(dx, dy, s.width, s.At(tx + dx, ty + dy));
    return patch;
}

// Every centre whose patch lies in the picture, but for those `skip` picks out.
template <typename Skip>
CandidateGrid Centres(const Surface& s, int r, Skip skip) {
    CandidateGrid grid;
    grid.Reset(s.width, r, s.width - 1 - r, r, s.height - 1 - r);
    for (int y = r; y < s.height - r; ++y)
        for (int x = r; x < s.width - r; ++x)
            if (!skip(x, y)) grid.SetValid(x, y);
    grid.FinishRuns();
    return grid;
}

CandidateGrid AllCentres(const Surface& s, int r) {
    return Centres(s, r, [](int, int) { return false; });
}

// A grid with centres only in the given rows and columns.
CandidateGrid RowSegments(int width, std::initializer_list<std::array<int, 3>> rowFromTo) {
    CandidateGrid grid;
    grid.Reset(width, 0, width - 1, 0, 40);
    for (const auto& segment : rowFromTo)
        for (int x = segment[1]; x <= segment[2]; ++x) grid.SetValid(x, segment[0]);
    grid.FinishRuns();
    return grid;
}

// The search written plainly: every candidate summed in full, only a smaller sum replaces the best.
SearchOutcome PlainSearch(const Surface& s, const PatchPixels& patch, const CandidateGrid& grid,
                          std::uint32_t limit) {
    SearchOutcome best;
    std::uint32_t bestSum = limit;
    for (const CandidateRun& run : grid.Runs()) {
        for (int c = run.first; c < run.first + run.count; ++c) {
            const std::uint32_t sum = PatchDistance(s.pixels.data(), patch, c, 0xFFFFFFFFu);
            if (sum < bestSum) {
                bestSum = sum;
                best = SearchOutcome{true, sum, c};
            }
        }
    }
    return best;
}

// A textured picture with two marked areas far apart: a run of many steps and large searches.
inpaint::MemoryPicture TwoMarksPicture() {
    inpaint::MemoryPicture picture(120, 90);
    std::mt19937 dice(21);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x)
            picture.At(x, y) = PixelOf(static_cast<std::uint8_t>(x * 2 + dice() % 8),
                                       static_cast<std::uint8_t>(y * 2),
                                       static_cast<std::uint8_t>(dice() % 4 * 60));
    picture.FillRect(50, 70, 40, 8, inpaint::kMarkerPixel);
    picture.FillRect(5, 5, 6, 6, inpaint::kMarkerPixel);
    return picture;
}

// Threads wait here until all have come; after a minute it gives up rather than hang the test.
class Meeting {
public:
    explicit Meeting(int parties) : missing_(parties) {}
    bool Attend() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (--missing_ == 0) everyone_.notify_all();
        return everyone_.wait_for(lock, std::chrono::minutes(1), [this] { return missing_ <= 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable everyone_;
    int missing_;
};

EngineTuning Tuning(SearchKernel kernel, long long parallelWork = EngineTuning{}.parallelWork) {
    EngineTuning tuning;
    tuning.kernel = kernel;
    tuning.parallelWork = parallelWork;
    return tuning;
}

void FillNoise(Surface& s, std::uint32_t seed, int levels) {
    std::mt19937 dice(seed);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            s.At(x, y) = PixelOf(static_cast<std::uint8_t>(dice() % levels * (255 / (levels - 1))),
                                 static_cast<std::uint8_t>(dice() % levels * (255 / (levels - 1))),
                                 static_cast<std::uint8_t>(dice() % levels * (255 / (levels - 1))),
                                 static_cast<std::uint8_t>(dice()));
}

}  // namespace

class FastEngineMachineryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void FrontQueue_Should_GiveHighestPriorityThenLowestPosition() {
        FrontQueue front;
        front.Insert(50, 0.5);
        front.Insert(70, 0.9);
        front.Insert(20, 0.9);
        front.Insert(10, 0.0);
        QCOMPARE(front.Best(), 20);
        front.Erase(20, 0.9);
        QCOMPARE(front.Best(), 70);
        front.Erase(70, 0.9);
        front.Insert(70, 0.1);  // a priority recomputed lower
        QCOMPARE(front.Best(), 50);
        front.Erase(50, 0.5);
        front.Erase(70, 0.1);
        QCOMPARE(front.Best(), 10);  // a front pixel of priority 0 is still chosen
        QCOMPARE(front.Size(), std::size_t{1});
    }

    void PatchDistance_Should_StopOnceTheLimitIsReached() {
        Surface s(20, 20);
        FillNoise(s, 3, 256);
        const PatchPixels patch = PatchAround(s, 5, 5, 2);
        const std::uint32_t full = PatchDistance(s.pixels.data(), patch, 12 * 20 + 12, 0xFFFFFFFFu);
        QVERIFY(full > 0);
        QCOMPARE(PatchDistance(s.pixels.data(), patch, 12 * 20 + 12, full + 1), full);
        QVERIFY(PatchDistance(s.pixels.data(), patch, 12 * 20 + 12, full) >= full);
        QCOMPARE(PatchDistance(s.pixels.data(), patch, 5 * 20 + 5, 1), 0u);  // the patch itself
    }

    void EqualSums_Should_GoToTheFirstCandidateEvenWhenTheLaterOneBoundsTheSearch() {
        Surface s(40, 30);
        FillNoise(s, 5, 256);
        // Two exact copies of the target patch: the later one is what the seed bound came from.
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                s.At(30 + dx, 20 + dy) = s.At(8 + dx, 8 + dy);
                s.At(20 + dx, 10 + dy) = s.At(8 + dx, 8 + dy) ^ 0xFF000000u;  // byte 3 differs only
            }
        PatchPixels patch = PatchAround(s, 8, 8, 2);
        CandidateGrid grid = RowSegments(40, {{10, 15, 24}, {20, 25, 34}});
        for (const SearchKernel kernel :
             {SearchKernel::Scalar, SearchKernel::Sse2, SearchKernel::Auto}) {
            const SearchOutcome found =
                FindBestCandidate(s.pixels.data(), patch, grid, 1, Tuning(kernel), nullptr);
            QVERIFY(found.found);
            QCOMPARE(found.sum, 0u);
            QCOMPARE(found.position, 10 * 40 + 20);
        }
    }

    void NoCandidateBelowTheLimit_Should_FindNothing() {
        Surface s(30, 30);
        FillNoise(s, 8, 256);
        const PatchPixels patch = PatchAround(s, 5, 5, 3);
        const SearchOutcome any = FindBestCandidate(s.pixels.data(), patch, AllCentres(s, 3),
                                                    99999999u, EngineTuning{}, nullptr);
        QVERIFY(any.found);
        const SearchOutcome none = FindBestCandidate(
            s.pixels.data(), patch, RowSegments(30, {{20, 20, 24}}), 1, EngineTuning{}, nullptr);
        QVERIFY(!none.found);
    }

    void EveryKernelAndThreadCount_Should_FindThePlainSearchResult() {
        for (std::uint32_t seed = 1; seed <= 12; ++seed) {
            Surface s(61, 47);
            FillNoise(s, seed, seed % 3 == 0 ? 2 : 256);  // two levels: many equal sums
            if (seed % 4 ==
                1) {  // a repeating pattern: the smallest sum in every chunk of candidates
                for (int y = 0; y < s.height; ++y)
                    for (int x = 0; x < s.width; ++x) s.At(x, y) = s.At(x % 4, y % 3);
            }
            if (seed % 4 == 2) {  // smooth: narrow colour ranges, so whole blocks are passed over
                for (int y = 0; y < s.height; ++y)
                    for (int x = 0; x < s.width; ++x)
                        s.At(x, y) = PixelOf(static_cast<std::uint8_t>(x * 4),
                                             static_cast<std::uint8_t>(y * 5),
                                             static_cast<std::uint8_t>((x + y) * 2));
            }
            if (seed % 6 == 5) {  // flat: every sum ties and every block's bound is exact
                for (int y = 0; y < s.height; ++y)
                    for (int x = 0; x < s.width; ++x) s.At(x, y) = PixelOf(90, 120, 150);
            }
            const int r = 2 + static_cast<int>(seed % 4);
            PatchPixels patch;
            std::mt19937 dice(seed);
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                    if (dice() % 3 != 0)
                        patch.Add(dx, dy, s.width, s.At(30 + dx, 20 + dy) ^ (dice() & 0x030303));
            if (seed % 2 == 0) patch.PutOutliersFirst();
            CandidateGrid grid = Centres(s, r, [&](int x, int y) {
                return (x * 7 + y * 3 + static_cast<int>(seed)) % 11 == 0;
            });
            const SearchOutcome expected = PlainSearch(s, patch, grid, 99999999u);
            for (const bool blocks : {false, true}) {
                if (blocks) grid.BuildBlockRanges(s.pixels.data(), r);
                for (const SearchKernel kernel :
                     {SearchKernel::Scalar, SearchKernel::Sse2, SearchKernel::Auto}) {
                    for (const int threads : {1, 2, 3, 7}) {
                        WorkerPool pool(threads);
                        // No bound, and the bound a seed as good as the winner gives.
                        for (const std::uint32_t limit : {99999999u, expected.sum + 1}) {
                            const SearchOutcome found = FindBestCandidate(
                                s.pixels.data(), patch, grid, limit, Tuning(kernel, 0), &pool);
                            QVERIFY(found.found);
                            QCOMPARE(found.sum, expected.sum);
                            QCOMPARE(found.position, expected.position);
                        }
                    }
                }
            }
        }
    }

    void ScalarAndSse2BlockHelpers_Should_Agree() {
#ifdef BRISVANE_X86_KERNELS
        // A build uses one of each pair; on x86 the scalar ones run only here.
        std::mt19937 dice(17);
        const int cells = 37;
        std::vector<std::uint32_t> row(cells * CandidateGrid::kRangeCell +
                                       CandidateGrid::kRangeSpan);
        for (std::uint32_t& pixel : row) pixel = dice() & kColourBytes;
        std::vector<std::uint64_t> scalar(cells), sse2(cells);
        RowRangesScalar(row.data(), cells, scalar.data());
        RowRangesSse2(row.data(), cells, sse2.data());
        QVERIFY(scalar == sse2);

        // Valid ranges (smallest <= largest per byte) against target colours, cut short or not.
        std::vector<std::uint64_t> ranges(64), targets(40);
        std::vector<int> offsets(40);
        for (std::uint64_t& range : ranges) {
            std::uint32_t low = 0, high = 0;
            for (int ch = 0; ch < 24; ch += 8) {
                const std::uint32_t a = dice() & 255, b = dice() & 255;
                low |= std::min(a, b) << ch;
                high |= std::max(a, b) << ch;
            }
            range = low | (std::uint64_t{high} << 32);
        }
        for (std::size_t k = 0; k < targets.size(); ++k) {
            const std::uint32_t colour = dice() & kColourBytes;
            targets[k] = colour | (std::uint64_t{colour} << 32);
            offsets[k] = static_cast<int>(dice() % ranges.size());
        }
        const std::uint32_t full =
            BlockLowerBoundScalar(ranges.data(), offsets.data(), targets.data(), 40, 0xFFFFFFFFu);
        QVERIFY(full > 0);
        for (const std::uint32_t stop : {0xFFFFFFFFu, full + 1, full, full / 2, 1u}) {
            QCOMPARE(
                BlockLowerBoundSse2(ranges.data(), offsets.data(), targets.data(), 40, stop),
                BlockLowerBoundScalar(ranges.data(), offsets.data(), targets.data(), 40, stop));
        }
#else
        QSKIP("only x86 builds have both");
#endif
    }

    // Whoever joins a job, every piece of it is done exactly once and each thread comes at most
    // once; more threads than cores (no spinning) and pools that end right after they start, or
    // before their threads have started, end cleanly.
    void WorkerPool_Should_DoEveryPieceOnceWhoeverJoins() {
        for (const int threads : {1, 2, 3, 9}) {
            for (const int spin : {0, WorkerPool::kDefaultSpinMicroseconds}) {
                WorkerPool pool(threads, spin);
                QCOMPARE(pool.Size(), threads);
                for (int job = 0; job < 300; ++job) {
                    const int pieces = job % 4 == 0 ? 0 : (job % 7) * 50 + 1;
                    std::vector<std::atomic<int>> done(static_cast<std::size_t>(pieces));
                    std::vector<std::atomic<int>> calls(static_cast<std::size_t>(pool.Size()));
                    WorkQueue queue(pieces);
                    const int joined = pool.Run([&](int thread) {
                        ++calls[static_cast<std::size_t>(thread)];
                        for (int piece = queue.Take(); piece >= 0; piece = queue.Take())
                            ++done[static_cast<std::size_t>(piece)];
                    });
                    QVERIFY(joined >= 0 && joined < pool.Size());
                    QCOMPARE(calls[0].load(), 1);
                    int came = 0;
                    for (auto& c : calls) {
                        QVERIFY(c.load() <= 1);
                        came += c.load();
                    }
                    QCOMPARE(came, joined + 1);
                    for (auto& d : done) QCOMPARE(d.load(), 1);
                }
            }
        }
        for (int round = 0; round < 200; ++round) {
            WorkerPool pool(1 + round % 4, round % 2 ? 0 : 50);
            if (round % 3 == 0) pool.Run([](int) {});
        }
    }

    // A job that throws on the caller's thread: the throw reaches the caller only after every
    // worker has left the job, and the pool goes on working.
    void WorkerPool_Should_StayUsableAfterAThrowingJob() {
        WorkerPool pool(3);
        for (int round = 0; round < 50; ++round) {
            std::atomic<int> inside{0}, left{0};
            try {
                pool.Run([&](int thread) {
                    ++inside;
                    if (thread == 0) throw std::runtime_error("job failed");
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                    ++left;
                });
                QFAIL("the throw was lost");
            } catch (const std::runtime_error&) {
                QCOMPARE(left.load(), inside.load() - 1);
            }
        }
        std::atomic<int> ran{0};
        pool.Run([&](int) { ++ran; });
        QVERIFY(ran.load() >= 1);
    }

    // Searches are shared only when they take long enough, and then at least now and then to
    // measure whether it pays; the result never depends on it.
    void Sharing_Should_FollowTheMeasuredTimeOfTheSearches() {
        const inpaint::MemoryPicture original = TwoMarksPicture();
        std::vector<std::uint32_t> first;
        struct Choice {
            long long parallelWork, shareFromNanoseconds;
        };
        for (const Choice choice :
             {Choice{0, 1'000'000'000'000}, Choice{1, 0}, Choice{1, 1'000'000'000'000}}) {
            inpaint::MemoryPicture picture = original;
            inpaint::InpaintOptions options;
            options.blockRadius = 1;  // many small steps: the first ones only warm up
            options.scanBorder = 30;
            options.tuning.threads = 2;
            options.tuning.parallelWork = choice.parallelWork;
            options.tuning.shareFromNanoseconds = choice.shareFromNanoseconds;
            RunFacts facts;
            QVERIFY(inpaint::fast::InpaintPicture(picture, picture, options, {}, facts) > 0);
            QVERIFY(facts.searches > 10);
            if (choice.parallelWork == 0)
                QCOMPARE(facts.sharedSearches, facts.searches);  // every one, however short
            else if (choice.shareFromNanoseconds == 0)
                QVERIFY2(
                    facts.sharedSearches >= 2,
                    qPrintable(QString("%1 of %2").arg(facts.sharedSearches).arg(facts.searches)));
            else
                QCOMPARE(facts.sharedSearches, 0);  // too short for it
            if (first.empty()) first = picture.Pixels();
            QVERIFY(picture.Pixels() == first);
        }
    }

    // A stop at any yield of a step, with every search shared among more threads than cores:
    // the run returns 0 at once, commits nothing, and its threads end.
    void StopDuringAStep_Should_EndTheRunAndItsThreads() {
        const inpaint::MemoryPicture original = TwoMarksPicture();
        for (const int stopAt : {1, 2, 3, 5, 8, 13, 40}) {
            inpaint::MemoryPicture picture = original;
            inpaint::InpaintOptions options;
            options.blockRadius = 3;
            options.scanBorder = 30;
            options.tuning = Tuning(SearchKernel::Auto, 0);
            options.tuning.threads = 6;
            std::stop_source stop;
            int yields = 0;
            inpaint::RunHooks hooks;
            hooks.stop = stop.get_token();
            hooks.yield = [&] {
                if (++yields == stopAt) stop.request_stop();
            };
            QCOMPARE(inpaint::fast::InpaintPicture(picture, picture, options, hooks), 0);
            QCOMPARE(yields, stopAt);
            QCOMPARE(picture.commits, 0);
        }
    }

    void WholeRun_Should_NotDependOnTheNumberOfThreads() {
        const inpaint::MemoryPicture original = TwoMarksPicture();
        std::vector<std::uint32_t> first;
        int firstSteps = 0;
        for (const int threads : {1, 2, 5, 16}) {
            inpaint::MemoryPicture picture = original;
            inpaint::InpaintOptions options;
            options.blockRadius = 3;
            options.scanBorder = 30;
            options.tuning = Tuning(SearchKernel::Auto, 0);
            options.tuning.threads = threads;
            const int steps = inpaint::fast::InpaintPicture(picture, picture, options);
            if (first.empty()) {
                first = picture.Pixels();
                firstSteps = steps;
                QVERIFY(steps > 0);
            }
            QCOMPARE(steps, firstSteps);
            QVERIFY(picture.Pixels() == first);
        }
    }

    void TwoRunsOnTwoThreads_Should_StopAndFinishEachOnItsOwn() {
        const inpaint::MemoryPicture original = TwoMarksPicture();
        inpaint::InpaintOptions options;
        options.blockRadius = 3;
        options.scanBorder = 30;
        inpaint::MemoryPicture alone = original;
        const int aloneSteps = inpaint::fast::InpaintPicture(alone, alone, options);
        QVERIFY(aloneSteps > 10);

        // Each run has its own stop, kernel, threads and block search. The first is stopped from
        // here while both are under way; the second goes on only once the first has ended.
        inpaint::InpaintOptions firstOptions = options, secondOptions = options;
        firstOptions.tuning = Tuning(SearchKernel::Scalar, 0);
        firstOptions.tuning.threads = 2;
        secondOptions.tuning = Tuning(SearchKernel::Sse2, 0);
        secondOptions.tuning.threads = 2;
        secondOptions.tuning.blockSearchFrom = 0;
        inpaint::MemoryPicture stopped = original, finished = original;
        inpaint::fast::RunFacts firstFacts, secondFacts;
        std::stop_source stopFirst, stopSecond;
        Meeting underWay(3), stopAsked(2), firstEnded(2);
        std::atomic<int> missedMeetings{0};
        auto attend = [&](Meeting& meeting) {
            if (!meeting.Attend()) ++missedMeetings;
        };
        auto run = [&](inpaint::MemoryPicture& picture, const inpaint::InpaintOptions& runOptions,
                       const inpaint::RunHooks& hooks, inpaint::fast::RunFacts& facts) {
            try {
                return inpaint::fast::InpaintPicture(picture, picture, runOptions, hooks, facts);
            } catch (const inpaint::InpaintError&) {
                return -1;
            }
        };
        int firstSteps = -2, secondSteps = -2;
        std::thread first([&] {
            inpaint::RunHooks hooks;
            hooks.stop = stopFirst.get_token();
            hooks.trace = [&](const inpaint::StepTrace& t) {
                if (t.step != 1) return;
                attend(underWay);
                attend(stopAsked);
            };
            firstSteps = run(stopped, firstOptions, hooks, firstFacts);
            attend(firstEnded);
        });
        std::thread second([&] {
            inpaint::RunHooks hooks;
            hooks.stop = stopSecond.get_token();
            hooks.trace = [&](const inpaint::StepTrace& t) {
                if (t.step == 1) attend(underWay);
                if (t.step == 2) attend(firstEnded);
            };
            secondSteps = run(finished, secondOptions, hooks, secondFacts);
        });
        attend(underWay);
        stopFirst.request_stop();
        attend(stopAsked);
        first.join();
        second.join();

        QCOMPARE(missedMeetings.load(), 0);
        QCOMPARE(firstSteps, 0);
        QCOMPARE(stopped.commits, 0);
        QVERIFY(stopped.Pixels() == original.Pixels());
        QCOMPARE(secondSteps, aloneSteps);
        QCOMPARE(finished.commits, 1);
        QVERIFY(finished.Pixels() == alone.Pixels());
        QCOMPARE(firstFacts.kernel, SearchKernel::Scalar);
        QCOMPARE(firstFacts.threads, 2);
        QVERIFY(!firstFacts.blockRanges);
#ifdef BRISVANE_X86_KERNELS
        QCOMPARE(secondFacts.kernel, SearchKernel::Sse2);
#endif
        QCOMPARE(secondFacts.threads, 2);
        QVERIFY(secondFacts.blockRanges);
        QCOMPARE(secondFacts.sharedSearches, secondFacts.searches);
    }

    void LiveDisplay_Should_WriteOnlyThePatchOfEachStep() {
        struct CountingPicture : inpaint::MemoryPicture {
            using MemoryPicture::MemoryPicture;
            long long written = 0;
            void WritePixels(int x, int y, int w, int h, const std::uint32_t* src,
                             int stride) override {
                written += static_cast<long long>(w) * h;
                MemoryPicture::WritePixels(x, y, w, h, src, stride);
            }
        };
        CountingPicture picture(200, 150, PixelOf(10, 20, 30));
        for (int x = 0; x < 200; ++x) picture.At(x, 75) = PixelOf(200, 200, 200);
        picture.FillRect(90, 70, 10, 10, inpaint::kMarkerPixel);
        inpaint::InpaintOptions options;
        options.liveDisplay = true;
        options.blockRadius = 2;
        options.scanBorder = 20;
        const int steps = inpaint::fast::InpaintPicture(picture, picture, options);
        QVERIFY(steps > 0);
        QCOMPARE(picture.redraws, steps + 1);
        // Each step writes at most one 5 x 5 patch; the final write-back is the 10 x 10 box.
        QVERIFY(picture.written <= steps * 25LL + 10 * 10);
        QCOMPARE(picture.commits, 1);
    }

    // A target apart from the source is given the whole picture, not only the filled box.
    void SeparateTarget_Should_ReceiveTheWholeResult() {
        const inpaint::MemoryPicture original = TwoMarksPicture();
        inpaint::MemoryPicture same = original;
        inpaint::MemoryPicture target(original.Width(), original.Height(), PixelOf(1, 2, 3));
        inpaint::InpaintOptions options;
        options.blockRadius = 2;
        options.scanBorder = 15;
        const int steps = inpaint::fast::InpaintPicture(same, same, options);
        QVERIFY(steps > 0);
        inpaint::MemoryPicture source = original;
        QCOMPARE(inpaint::fast::InpaintPicture(source, target, options), steps);
        QVERIFY(target.Pixels() == same.Pixels());
        QVERIFY(target.Committed() == same.Pixels());
        QVERIFY(source.Pixels() == original.Pixels());
    }

    // Sizes around the large page, where the block is rounded up and aligned.
    void LargeArray_Should_HoldEveryValueAtEverySize() {
        constexpr std::size_t kPage = std::size_t{2} << 20;
        for (const std::size_t n : {std::size_t{0}, std::size_t{1}, kPage / 4 - 1, kPage / 4,
                                    kPage / 4 + 1, 3 * kPage / 4 + 5}) {
            LargeArray<std::uint32_t> values;
            values.Assign(n, 7u);
            QCOMPARE(values.size(), n);
            for (std::size_t i = 0; i < n; ++i) values[i] += static_cast<std::uint32_t>(i);
            bool held = true;
            for (std::size_t i = 0; i < n; ++i) held = held && values[i] == 7u + i;
            QVERIFY2(held, qPrintable(QString::number(n)));
            values.Allocate(n / 2);  // a second allocation replaces the first
            QCOMPARE(values.size(), n / 2);
        }
    }
};

QTEST_GUILESS_MAIN(FastEngineMachineryTest)
#include "FastEngineMachineryTest.moc"
