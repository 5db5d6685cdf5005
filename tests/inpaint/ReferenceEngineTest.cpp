#include <QtTest>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stop_token>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include "inpaint/MemoryPicture.h"
#include "inpaint/reference/ReferenceEngine.h"

using inpaint::InpaintError;
using inpaint::InpaintOptions;
using inpaint::kMarkerPixel;
using inpaint::MemoryPicture;
using inpaint::PixelOf;
using inpaint::RunHooks;
using inpaint::StepTrace;
using namespace inpaint::reference;

namespace {

constexpr std::uint32_t kGrey = 0xff646464;  // red, green, blue 100

std::uint32_t GreyPixel(int v) {
    return PixelOf(v, v, v);
}

// A run prepared on the picture with the marker colour red 0, green 255, blue 0.
Run PreparedRun(MemoryPicture& picture, int r, int border = 10) {
    Run run(inpaint::kMarkerColor, r, border);
    run.Prepare(picture);
    return run;
}

// A run whose planes are set by hand: W x H, everything known, grey 0.
Run BareRun(int w, int h, int r) {
    Run run(inpaint::kMarkerColor, r, 10);
    run.W = w;
    run.H = h;
    run.CreatePlanes();
    return run;
}

int MarkedCount(const MemoryPicture& picture) {
    int n = 0;
    for (std::uint32_t p : picture.Pixels())
        if ((p & 0xffffffu) == (kMarkerPixel & 0xffffffu)) ++n;
    return n;
}

// A textured picture from a fixed recurrence, so runs have real choices to make.
MemoryPicture TexturedPicture(int w, int h) {
    MemoryPicture picture(w, h);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) & 31u);
            picture.At(x, y) = PixelOf((x * 7 + noise) % 256, (y * 5 + noise) % 256, (x + y) % 256);
        }
    }
    return picture;
}

InpaintOptions Options(int r, int border, bool live = false) {
    InpaintOptions options;
    options.blockRadius = r;
    options.scanBorder = border;
    options.liveDisplay = live;
    return options;
}

int Fill(MemoryPicture& picture, int r, int border, bool live = false, const RunHooks& hooks = {}) {
    return inpaint::reference::InpaintPicture(picture, picture, Options(r, border, live), hooks);
}

// Reports a size but holds no pixels: for the size checks, which must come before any reading.
class SizeOnlyPicture : public inpaint::PictureAccess {
public:
    SizeOnlyPicture(int w, int h) : w_(w), h_(h) {}
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    void ReadPixels(std::uint32_t*) const override { ++reads; }
    void WritePixels(int, int, int, int, const std::uint32_t*, int) override { ++writes; }
    mutable int reads = 0;
    int writes = 0;

private:
    int w_, h_;
};

InpaintError::Reason ReasonOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const InpaintError& e) {
        return e.reason();
    }
    return static_cast<InpaintError::Reason>(-1);
}

}  // namespace

class ReferenceEngineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // ---- Pixel surface and colour planes ----

    void Grey_Should_WeighGreenMostThenBlueThenRed() {
        QVERIFY(std::fabs(GreyOf(255, 0, 0) - 29.0666) < 1e-4);
        QVERIFY(std::fabs(GreyOf(0, 0, 255) - 75.9934) < 1e-4);
        QVERIFY(std::fabs(GreyOf(0, 255, 0) - 149.9400) < 1e-4);
        QCOMPARE(GreyOf(255, 255, 255), 255.0);
        QCOMPARE(GreyOf(0, 0, 0), 0.0);
    }

    void ColourPlanes_Should_ReadBytesTwoOneZeroAsRedGreenBlue() {
        MemoryPicture picture(2, 1);
        picture.At(0, 0) = PixelOf(255, 0, 0, 0x7f);
        picture.At(1, 0) = PixelOf(0, 0, 255);
        Run run = PreparedRun(picture, 4);
        QCOMPARE(run.RedPlane[0], 255.0);
        QCOMPARE(run.BluePlane[0], 0.0);
        QCOMPARE(run.BluePlane[1], 255.0);
        QCOMPARE(run.GreyPlane[0], GreyOf(255, 0, 0));
        QCOMPARE(run.PixelPlane[0], PixelOf(255, 0, 0, 0x7f));
    }

    void CopyPixel_Should_CarryTheFourthByteAndRecomputeGrey() {
        MemoryPicture picture(2, 1, kMarkerPixel);
        picture.At(0, 0) = PixelOf(10, 20, 30, 0xab);
        Run run = PreparedRun(picture, 4);
        run.CopyPixel(0, 1);
        QCOMPARE(run.PixelSurface[1], PixelOf(10, 20, 30, 0xab));
        QCOMPARE(run.PixelPlane[1], PixelOf(10, 20, 30, 0xab));
        QCOMPARE(run.GreenPlane[1], 20.0);
        QCOMPARE(run.GreyPlane[1], GreyOf(10, 20, 30));
    }

    void OnePixelPicture_Should_GiveOneEntryPlanes() {
        MemoryPicture picture(1, 1, kGrey);
        Run run = PreparedRun(picture, 4);
        QCOMPARE(run.PixelSurface.size(), std::size_t{1});
        QCOMPARE(run.GreyPlane.size(), std::size_t{1});
        QCOMPARE(run.FillMask[0], kKnown);
    }

    // ---- Region, front, boxes ----

    void MarkRegion_Should_MarkOnlyTheExactMarkerColour() {
        MemoryPicture picture(5, 5, kGrey);
        picture.At(2, 2) = kMarkerPixel;
        picture.At(1, 1) = PixelOf(0, 254, 0);
        picture.At(3, 3) = PixelOf(1, 255, 0);
        picture.At(3, 1) = inpaint::kMarkerColor.Pixel(0x55);  // fourth byte is not compared
        Run run = PreparedRun(picture, 2);
        QCOMPARE(run.FillMask[run.Position(2, 2)], kFront);
        QCOMPARE(run.FillMask[run.Position(1, 1)], kKnown);
        QCOMPARE(run.FillMask[run.Position(3, 3)], kKnown);
        QCOMPARE(run.FillMask[run.Position(3, 1)], kFront);
        QCOMPARE(run.ConfidencePlane[run.Position(2, 2)], 0.0);
        QCOMPARE(run.ConfidencePlane[run.Position(1, 1)], 1.0);
    }

    void MarkRegion_Should_PutEdgePixelsOnTheFrontAndInnerPixelsBehindIt() {
        MemoryPicture picture(6, 6, kMarkerPixel);  // everything marked
        Run run = PreparedRun(picture, 2);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool edge = x == 0 || y == 0 || x == 5 || y == 5;
                QCOMPARE(run.FillMask[run.Position(x, y)], edge ? kFront : kToFill);
            }
    }

    void TargetBox_Should_SpanTwoDistantAreas() {
        MemoryPicture picture(100, 60, kGrey);
        picture.FillRect(5, 40, 3, 2, kMarkerPixel);
        picture.FillRect(80, 7, 4, 4, kMarkerPixel);
        Run run = PreparedRun(picture, 4, 10);
        QCOMPARE(run.Box.Left, std::int16_t{5});
        QCOMPARE(run.Box.Right, std::int16_t{83});
        QCOMPARE(run.Box.Top, std::int16_t{7});
        QCOMPARE(run.Box.Bottom, std::int16_t{41});
        QCOMPARE(run.Window.X0, 0);   // 5 - 10 clamped
        QCOMPARE(run.Window.X1, 93);  // 83 + 10
        QCOMPARE(run.Window.Y0, 0);   // 7 - 10 clamped
        QCOMPARE(run.Window.Y1, 51);
    }

    void SearchWindow_Should_ClampToTheRightAndBottomEdge() {
        MemoryPicture picture(50, 40, kGrey);
        picture.FillRect(44, 35, 2, 2, kMarkerPixel);
        Run run = PreparedRun(picture, 4, 10);
        QCOMPARE(run.Window.X0, 34);
        QCOMPARE(run.Window.X1, 49);
        QCOMPARE(run.Window.Y0, 25);
        QCOMPARE(run.Window.Y1, 39);
    }

    // ---- Confidence, gradient, normal, data term ----

    void ConfidenceTerm_Should_DivideByTheFullPatchArea() {
        MemoryPicture picture(30, 30, kGrey);
        picture.FillRect(0, 10, 30, 20, kMarkerPixel);  // rows 10..29 marked
        Run run = PreparedRun(picture, 4);
        QCOMPARE(run.ConfidenceTerm(10, 10), 36.0 / 81.0);
    }

    void ConfidenceTerm_Should_KeepTheFullDivisorInACorner() {
        MemoryPicture picture(10, 10, kGrey);
        picture.At(0, 0) = kMarkerPixel;
        Run run = PreparedRun(picture, 4);
        QCOMPARE(run.ConfidenceTerm(0, 0), 24.0 / 81.0);
    }

    void GreyGradient_Should_HalveCentralButNotOneSidedDifferences() {
        Run run = BareRun(5, 3, 1);
        for (int x = 0; x < 5; ++x) {
            run.GreyPlane[run.Position(x, 1)] = x * x;
            run.GreyPlane[run.Position(x, 2)] = 3.0 * x;
        }
        const Gradient inner = run.GreyGradient(2, 1);
        QCOMPARE(inner.gx, 4.0);                   // (9 - 1) / 2
        QCOMPARE(inner.gy, (6.0 - 0.0) / 2.0);     // row 2 minus row 0, halved
        QCOMPARE(run.GreyGradient(0, 1).gx, 1.0);  // 1 - 0, not halved
        QCOMPARE(run.GreyGradient(4, 1).gx, 7.0);  // 16 - 9, not halved
    }

    void FrontNormal_Should_DefaultWithFewerThanTwoFrontNeighbours() {
        Run run = BareRun(5, 5, 2);
        run.FillMask[run.Position(2, 2)] = kFront;
        QCOMPARE(run.FrontNormal(2, 2).a, 0.6);
        QCOMPARE(run.FrontNormal(2, 2).b, 0.8);
        run.FillMask[run.Position(1, 3)] = kFront;
        run.FillMask[run.Position(3, 2)] = kToFill;  // not a front pixel
        QCOMPARE(run.FrontNormal(2, 2).a, 0.6);
        QCOMPARE(run.FrontNormal(2, 2).b, 0.8);
    }

    void FrontNormal_Should_UseTheFirstTwoFrontNeighboursAsDyDx() {
        Run run = BareRun(5, 5, 2);
        run.FillMask[run.Position(1, 1)] = kFront;
        run.FillMask[run.Position(2, 1)] = kFront;
        run.FillMask[run.Position(3, 3)] = kFront;  // third, ignored
        QCOMPARE(run.FrontNormal(2, 2).a, 0.0);
        QCOMPARE(run.FrontNormal(2, 2).b, 1.0);

        Run diagonal = BareRun(5, 5, 2);
        diagonal.FillMask[diagonal.Position(3, 1)] = kFront;
        diagonal.FillMask[diagonal.Position(1, 3)] = kFront;
        const Normal n = diagonal.FrontNormal(2, 2);
        QCOMPARE(n.a, 2.0 / std::sqrt(8.0));
        QCOMPARE(n.b, -2.0 / std::sqrt(8.0));
    }

    void FrontNormal_Should_NotWrapAroundThePictureEdge() {
        Run run = BareRun(4, 4, 2);
        run.FillMask[run.Position(3, 0)] = kFront;  // flat neighbour of (0, 1), not a 3x3 one
        run.FillMask[run.Position(1, 0)] = kFront;
        run.FillMask[run.Position(0, 1)] = kFront;
        const Normal n = run.FrontNormal(0, 0);
        QCOMPARE(n.a, 1.0 / std::sqrt(2.0));   // dy = 1
        QCOMPARE(n.b, -1.0 / std::sqrt(2.0));  // dx = -1
    }

    void DataTerm_Should_FollowAnEdgeRunningIntoTheArea() {
        MemoryPicture picture(11, 11, GreyPixel(0));
        picture.FillRect(6, 0, 5, 11, GreyPixel(255));
        picture.At(3, 5) = kMarkerPixel;
        Run run = PreparedRun(picture, 4);
        // Strongest gradient (127.5, 0), normal (0.6, 0.8): |0.8 * -127.5| / 255. The patch is
        // cut at column 0: 72 positions, 71 known.
        QVERIFY(std::fabs(run.DataTerm(3, 5) - 0.4) < 1e-12);
        QVERIFY(std::fabs(run.PatchPriority(3, 5) - 0.4 * 71.0 / 81.0) < 1e-12);
    }

    void DataTerm_Should_BeZeroOnAFlatPicture() {
        MemoryPicture picture(20, 20, kGrey);
        picture.FillRect(8, 8, 4, 4, kMarkerPixel);
        Run run = PreparedRun(picture, 4);
        QCOMPARE(run.DataTerm(8, 8), 0.0);
    }

    void DataTerm_Should_KeepTheFirstOfEqualGradients() {
        Run run = BareRun(9, 9, 4);
        run.FillMask[run.Position(4, 4)] = kFront;
        run.GreyPlane[run.Position(2, 7)] = 10.0;
        // (2, 6) has (0, 5) and comes before (1, 7) with (5, 0) and (3, 7) with (-5, 0);
        // (2, 8) lies in the last row and does not count.
        QCOMPARE(run.DataTerm(4, 4), 0.6 * 5.0 / 255.0);
    }

    void DataTerm_Should_LeaveOutTheFirstRow() {
        Run run = BareRun(9, 9, 4);
        run.FillMask[run.Position(4, 4)] = kFront;
        run.GreyPlane[run.Position(3, 0)] = 100.0;
        run.GreyPlane[run.Position(5, 0)] = -100.0;
        // (4, 0) would have (-100, 0); the first row's neighbours give (0, -50) at (3, 1) first.
        QCOMPARE(run.DataTerm(4, 4), 0.6 * 50.0 / 255.0);
    }

    void DataTerm_Should_TakeNeighboursInFlatOrder() {
        // (0, 2) gives the strongest gradient, (100, 0) as column 0 is not halved. Its left
        // neighbour in flat order is (4, 1) at the end of the row above.
        Run run = BareRun(5, 7, 4);
        run.GreyPlane[run.Position(1, 2)] = 100.0;
        run.FillMask[run.Position(4, 4)] = kFront;
        QCOMPARE(run.DataTerm(4, 4), 0.8 * 100.0 / 255.0);
        // With (4, 1) to be filled, (0, 2) no longer qualifies: (1, 1) with (0, 50) is first.
        run.FillMask[run.Position(4, 1)] = kFront;
        QCOMPARE(run.DataTerm(4, 1), 0.6 * 50.0 / 255.0);
    }

    // ---- Choice of the next pixel and priority updates ----

    void NextTarget_Should_TakeTheHighestPriorityAndTheFirstOfEqualOnes() {
        Run run = BareRun(6, 4, 2);
        run.Box = TargetBox{1, 4, 1, 2};
        auto set = [&](int x, int y, std::int16_t mask, double priority) {
            run.FillMask[run.Position(x, y)] = mask;
            run.PriorityPlane[run.Position(x, y)] = priority;
        };
        set(0, 0, kFront, 5.0);   // outside the box
        set(1, 2, kToFill, 9.0);  // stale priority behind the front
        set(3, 1, kFront, 0.5);
        set(2, 2, kFront, 0.5);
        set(4, 2, kFront, 0.2);
        QCOMPARE(run.ChooseNextTarget(), (Point{3, 1}));
        set(4, 2, kFront, 0.7);
        QCOMPARE(run.ChooseNextTarget(), (Point{4, 2}));
    }

    void NextTarget_Should_TakeTheFirstFrontPixelWhenAllPrioritiesAreZero() {
        MemoryPicture picture(20, 20, kGrey);
        picture.FillRect(8, 9, 4, 3, kMarkerPixel);
        Run run = PreparedRun(picture, 4);
        QCOMPARE(run.ChooseNextTarget(), (Point{8, 9}));
    }

    void UpdatePriorities_Should_ReachExactlyThreeBeyondThePatch() {
        MemoryPicture picture = TexturedPicture(40, 20);
        picture.FillRect(2, 6, 36, 8, kMarkerPixel);
        Run run = PreparedRun(picture, 2);
        std::fill(run.PriorityPlane.begin(), run.PriorityPlane.end(), -7.0);
        run.UpdatePriorities(10, 6);  // columns 5 .. 15
        QCOMPARE(run.PriorityPlane[run.Position(5, 6)], run.PatchPriority(5, 6));
        QCOMPARE(run.PriorityPlane[run.Position(15, 6)], run.PatchPriority(15, 6));
        QVERIFY(run.PriorityPlane[run.Position(15, 6)] > 0.0);
        QCOMPARE(run.PriorityPlane[run.Position(4, 6)], -7.0);
        QCOMPARE(run.PriorityPlane[run.Position(16, 6)], -7.0);
        QCOMPARE(run.PriorityPlane[run.Position(10, 7)], -7.0);  // not a front pixel
    }

    // ---- Source centres and the search ----

    void SourceCentres_Should_KeepRPixelsFromEdgesAndMarks() {
        MemoryPicture picture(30, 30, kGrey);
        picture.At(15, 15) = kMarkerPixel;
        Run run = PreparedRun(picture, 4);
        auto valid = [&](int x, int y) {
            return static_cast<bool>(run.SourceValid[run.Position(x, y)]);
        };
        QVERIFY(valid(4, 4));
        QVERIFY(!valid(3, 10));
        QVERIFY(valid(25, 25));
        QVERIFY(!valid(26, 10));
        QVERIFY(!valid(10, 26));
        QVERIFY(!valid(11, 15));
        QVERIFY(valid(10, 15));
        QVERIFY(!valid(19, 19));
        QVERIFY(valid(20, 19));
    }

    void BestSource_Should_TakeTheFirstOfEqualSums() {
        MemoryPicture picture(40, 40, kGrey);
        picture.FillRect(20, 20, 3, 3, kMarkerPixel);
        Run run = PreparedRun(picture, 4, 10);
        run.FindBestSource(20, 20);
        QCOMPARE(run.Source, (Point{10, 10}));  // window starts at (10, 10), all sums 0
    }

    void BestSource_Should_TakeTheStrictlyBestMatch() {
        MemoryPicture picture = TexturedPicture(60, 40);
        // Copy the patch around (40, 25) to around (15, 20), then mark its centre.
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                picture.At(15 + dx, 20 + dy) = picture.At(40 + dx, 25 + dy);
        picture.At(15, 20) = kMarkerPixel;
        Run run = PreparedRun(picture, 2, 40);
        run.FindBestSource(15, 20);
        QCOMPARE(run.Source, (Point{40, 25}));
    }

    void BestSource_Should_LeaveOutRowAndColumnZero_data() {
        QTest::addColumn<bool>("transposed");
        QTest::newRow("row 0") << false;
        QTest::newRow("column 0") << true;
    }

    void BestSource_Should_LeaveOutRowAndColumnZero() {
        // Target (10, 2) with r = 2 has row 0 in its patch. (2, 2) matches every compared pixel;
        // (20, 8) matches row 0 as well and would win if row 0 were compared. Transposed, the
        // same holds for column 0.
        QFETCH(bool, transposed);
        const auto at = [&](int x, int y) { return transposed ? Point{y, x} : Point{x, y}; };
        const std::uint32_t x = PixelOf(200, 30, 30);
        MemoryPicture picture(30, 30, kGrey);
        for (int i = 0; i < 5; ++i) {
            const Point rowZero = at(8 + i, 0), match = at(18 + i, 6);
            picture.At(rowZero.x, rowZero.y) = x;
            picture.At(match.x, match.y) = x;
        }
        const Point target = at(10, 2);
        picture.At(target.x, target.y) = kMarkerPixel;
        Run run = PreparedRun(picture, 2, 10);
        run.FindBestSource(target.x, target.y);
        QCOMPARE(run.Source, (Point{2, 2}));
    }

    void BestSource_Should_KeepThePreviousCentreWhenNothingQualifies() {
        MemoryPicture picture(100, 100, kGrey);
        picture.FillRect(40, 40, 10, 10, kMarkerPixel);
        Run run = PreparedRun(picture, 32, 10);  // every 65 x 65 patch in the window touches it
        run.FindBestSource(40, 40);
        QCOMPARE(run.Source, (Point{0, 0}));
        run.Source = Point{7, 9};
        run.FindBestSource(40, 40);
        QCOMPARE(run.Source, (Point{7, 9}));
    }

    // ---- Copy and front update ----

    void CopyPatch_Should_FillOnlyUnknownPixelsInsideThePicture() {
        MemoryPicture picture = TexturedPicture(20, 20);
        picture.FillRect(0, 0, 2, 3, kMarkerPixel);
        const std::uint32_t kept = picture.At(2, 0);
        Run run = PreparedRun(picture, 2);
        const int filled = run.CopyPatch(0, 0, 10, 10, 0.25);
        QCOMPARE(filled, 6);
        QCOMPARE(run.PixelSurface[run.Position(0, 0)], picture.At(10, 10));
        QCOMPARE(run.PixelSurface[run.Position(1, 2)], picture.At(11, 12));
        QCOMPARE(run.PixelSurface[run.Position(2, 0)], kept);
        QCOMPARE(run.ConfidencePlane[run.Position(1, 2)], 0.25);
        QCOMPARE(run.ConfidencePlane[run.Position(2, 0)], 1.0);
        QCOMPARE(run.FillMask[run.Position(0, 0)], kFront);  // the mask waits for UpdateFront
    }

    void CopyPatch_Should_SkipOffsetsWhoseSourceLiesOutside() {
        MemoryPicture picture(20, 20, kGrey);
        picture.FillRect(5, 5, 3, 3, kMarkerPixel);
        Run run = PreparedRun(picture, 2);
        QCOMPARE(run.CopyPatch(6, 6, 0, 0, 0.5), 4);  // only dx, dy in 0 .. 1 land inside
        QCOMPARE(run.HasMarkerColour(run.Position(5, 5)), true);
        QCOMPARE(run.HasMarkerColour(run.Position(6, 6)), false);
    }

    void UpdateFront_Should_MakeFilledPixelsKnownAndKeepTheRestToFill() {
        MemoryPicture picture(30, 30, kGrey);
        picture.FillRect(5, 5, 20, 20, kMarkerPixel);
        Run run = PreparedRun(picture, 2);
        run.CopyPatch(5, 5, 15, 2, 0.5);
        run.UpdateFront(5, 5);
        QCOMPARE(run.FillMask[run.Position(5, 5)], kKnown);
        QCOMPARE(run.FillMask[run.Position(7, 7)], kKnown);
        QCOMPARE(run.FillMask[run.Position(8, 7)], kFront);
        QCOMPARE(run.FillMask[run.Position(7, 8)], kFront);
        QCOMPARE(run.FillMask[run.Position(8, 8)], kToFill);
        QCOMPARE(run.FillMask[run.Position(9, 9)], kToFill);
    }

    // ---- Whole runs ----

    void Run_Should_ReturnZeroAndKeepThePictureWithoutMarks() {
        MemoryPicture picture = TexturedPicture(30, 20);
        const auto before = picture.Pixels();
        QCOMPARE(Fill(picture, 4, 10), 0);
        QCOMPARE(picture.Pixels(), before);
        QCOMPARE(picture.commits, 1);
    }

    void Run_Should_FillAFlatPictureWithItsColour() {
        MemoryPicture picture(40, 30, kGrey);
        picture.FillRect(12, 10, 9, 7, kMarkerPixel);
        QVERIFY(Fill(picture, 4, 10) > 0);
        QCOMPARE(picture.Pixels(), MemoryPicture(40, 30, kGrey).Pixels());
        QCOMPARE(picture.Committed(), picture.Pixels());
    }

    void Run_Should_CountOneStepPerPatchCopy() {
        MemoryPicture picture(30, 30, kGrey);
        picture.FillRect(10, 10, 3, 3, kMarkerPixel);
        std::vector<StepTrace> steps;
        RunHooks hooks;
        hooks.trace = [&](const StepTrace& s) { steps.push_back(s); };
        QCOMPARE(Fill(picture, 4, 10, false, hooks), 1);
        QCOMPARE(steps.size(), std::size_t{1});
        QCOMPARE(steps[0].tx, 10);  // all priorities 0: first front pixel
        QCOMPARE(steps[0].ty, 10);
        QCOMPARE(steps[0].sx, 4);  // first valid centre of the window (0..22)
        QCOMPARE(steps[0].sy, 4);
    }

    void Run_Should_ContinueTheEdgeOfATwoColourPicture() {
        const std::uint32_t dark = PixelOf(20, 40, 60), light = PixelOf(220, 200, 180);
        MemoryPicture picture(48, 40, dark);
        picture.FillRect(24, 0, 24, 40, light);
        MemoryPicture expected = picture;
        picture.FillRect(18, 14, 12, 10, kMarkerPixel);
        QVERIFY(Fill(picture, 4, 10) > 0);
        QCOMPARE(picture.Pixels(), expected.Pixels());
    }

    void Run_Should_FillMarksOnThePictureEdge() {
        MemoryPicture picture = TexturedPicture(40, 30);
        picture.FillRect(0, 0, 40, 2, kMarkerPixel);
        picture.FillRect(0, 0, 3, 30, kMarkerPixel);
        picture.At(39, 29) = kMarkerPixel;
        QVERIFY(Fill(picture, 3, 10) > 0);
        QCOMPARE(MarkedCount(picture), 0);
    }

    void Run_Should_LeaveKnownPixelsAloneAndRepeatItself() {
        MemoryPicture original = TexturedPicture(64, 48);
        original.FillRect(20, 15, 15, 9, kMarkerPixel);
        original.At(50, 40) = PixelOf(0, 254, 0);  // one off: known
        MemoryPicture first = original, second = original;
        std::vector<StepTrace> traceA, traceB;
        RunHooks hooksA, hooksB;
        hooksA.trace = [&](const StepTrace& s) { traceA.push_back(s); };
        hooksB.trace = [&](const StepTrace& s) { traceB.push_back(s); };
        const int steps = Fill(first, 4, 10, false, hooksA);
        QCOMPARE(Fill(second, 4, 10, true, hooksB), steps);
        QCOMPARE(first.Pixels(), second.Pixels());
        QCOMPARE(traceA.size(), std::size_t(steps));
        for (std::size_t i = 0; i < traceA.size(); ++i) {
            QCOMPARE(traceA[i].tx, traceB[i].tx);
            QCOMPARE(traceA[i].sx, traceB[i].sx);
            QCOMPARE(traceA[i].sy, traceB[i].sy);
        }
        QCOMPARE(MarkedCount(first), 0);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                if (original.At(x, y) != kMarkerPixel) QCOMPARE(first.At(x, y), original.At(x, y));
    }

    void Run_Should_YieldFiveTimesPerStepAndOnceMoreWithLiveDisplay() {
        MemoryPicture quiet(40, 30, kGrey), live(40, 30, kGrey);
        quiet.FillRect(10, 10, 12, 6, kMarkerPixel);
        live.FillRect(10, 10, 12, 6, kMarkerPixel);
        int quietYields = 0, liveYields = 0;
        RunHooks quietHooks, liveHooks;
        quietHooks.yield = [&] { ++quietYields; };
        liveHooks.yield = [&] { ++liveYields; };
        const int steps = Fill(quiet, 4, 10, false, quietHooks);
        QCOMPARE(Fill(live, 4, 10, true, liveHooks), steps);
        QCOMPARE(quietYields, 5 * steps);
        QCOMPARE(liveYields, 6 * steps);
        QCOMPARE(quiet.writes, 1);
        QCOMPARE(live.writes, steps + 1);
        QCOMPARE(live.redraws, steps + 1);
        QCOMPARE(live.commits, 1);
    }

    void Stop_Should_ReturnZeroAndLeaveThePictureMarked() {
        MemoryPicture picture = TexturedPicture(40, 30);
        picture.FillRect(10, 10, 12, 6, kMarkerPixel);
        const auto before = picture.Pixels();
        int yields = 0;
        std::stop_source stop;
        RunHooks hooks;
        hooks.stop = stop.get_token();
        hooks.yield = [&] {
            if (++yields == 7) stop.request_stop();  // second step, after the search
        };
        QCOMPARE(Fill(picture, 4, 10, false, hooks), 0);
        QCOMPARE(yields, 7);
        QCOMPARE(picture.Pixels(), before);
        QCOMPARE(picture.writes, 0);
        QCOMPARE(picture.commits, 0);
    }

    void Stop_Should_ShowTheLastCompletedStepWithLiveDisplay() {
        MemoryPicture picture = TexturedPicture(40, 30);
        picture.FillRect(10, 10, 12, 6, kMarkerPixel);
        int yields = 0;
        std::stop_source stop;
        RunHooks hooks;
        hooks.stop = stop.get_token();
        hooks.yield = [&] {
            if (++yields == 9) stop.request_stop();  // second step, after the copy
        };
        QCOMPARE(Fill(picture, 4, 10, true, hooks), 0);
        QCOMPARE(picture.writes, 1);  // after step 1 only
        QCOMPARE(picture.commits, 0);
        const int left = MarkedCount(picture);
        QVERIFY(left > 0 && left < 12 * 6);
    }

    void Run_Should_FallBackToThePatchAroundTheOrigin() {
        MemoryPicture picture = TexturedPicture(100, 100);
        picture.FillRect(40, 40, 10, 10, kMarkerPixel);
        std::vector<StepTrace> steps;
        RunHooks hooks;
        hooks.trace = [&](const StepTrace& s) { steps.push_back(s); };
        QVERIFY(Fill(picture, 32, 10, false, hooks) > 0);
        QCOMPARE(MarkedCount(picture), 0);
        for (const StepTrace& s : steps) QCOMPARE((Point{s.sx, s.sy}), (Point{0, 0}));
    }

    void Run_Should_FailWithoutWritingWhenNoStepCanFill() {
        MemoryPicture picture = TexturedPicture(80, 80);
        picture.FillRect(0, 0, 10, 10, kMarkerPixel);  // (0, 0) itself is marked
        const auto before = picture.Pixels();
        std::string message;
        try {
            Fill(picture, 32, 10);
            QFAIL("no error");
        } catch (const InpaintError& e) {
            QCOMPARE(e.reason(), InpaintError::Reason::NoSourceArea);
            message = e.what();
        }
        QVERIFY(message.find("Scan Border") != std::string::npos);
        QCOMPARE(picture.Pixels(), before);
        QCOMPARE(picture.writes, 0);
        QCOMPARE(picture.commits, 0);
    }

    void Run_Should_RefusePicturesBeyondTheSizeLimits() {
        using R = InpaintError::Reason;
        SizeOnlyPicture wide(32768, 1), tall(1, 32768), huge(32767, 16385);
        QVERIFY(ReasonOf([&] { inpaint::reference::InpaintPicture(wide, wide, Options(4, 10)); }) ==
                R::PictureTooLarge);
        QVERIFY(ReasonOf([&] { inpaint::reference::InpaintPicture(tall, tall, Options(4, 10)); }) ==
                R::PictureTooLarge);
        QVERIFY(ReasonOf([&] { inpaint::reference::InpaintPicture(huge, huge, Options(4, 10)); }) ==
                R::PictureTooLarge);
        QCOMPARE(wide.reads + tall.reads + huge.reads, 0);
        QCOMPARE(wide.writes + tall.writes + huge.writes, 0);
        MemoryPicture a(10, 10), b(10, 11);
        QVERIFY(ReasonOf([&] { inpaint::reference::InpaintPicture(a, b, Options(4, 10)); }) ==
                R::SizeMismatch);
        QVERIFY(ReasonOf([&] { inpaint::reference::InpaintPicture(a, a, Options(-1, 10)); }) ==
                R::BadArgument);
        QVERIFY(ReasonOf([&] { inpaint::reference::InpaintPicture(a, a, Options(4, -1)); }) ==
                R::BadArgument);
// A limited address space means nothing under AddressSanitizer, which reserves terabytes of
// shadow memory and ends the program on a failed allocation instead of throwing.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
        SizeOnlyPicture largest(32767, 16383);
        // The largest accepted size needs far more memory than a limited address space allows.
        rlimit old{};
        getrlimit(RLIMIT_AS, &old);
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit tight = old;
        tight.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (256u << 20);
        setrlimit(RLIMIT_AS, &tight);
        const R reason =
            ReasonOf([&] { inpaint::reference::InpaintPicture(largest, largest, Options(4, 10)); });
        setrlimit(RLIMIT_AS, &old);
        QVERIFY(reason == R::OutOfMemory);
        QCOMPARE(largest.writes, 0);
#endif
    }

    void Run_Should_AcceptAnEmptyPicture() {
        MemoryPicture empty(0, 0);
        QCOMPARE(Fill(empty, 4, 10), 0);
        QCOMPARE(empty.commits, 1);
    }
};

QTEST_GUILESS_MAIN(ReferenceEngineTest)
#include "ReferenceEngineTest.moc"
