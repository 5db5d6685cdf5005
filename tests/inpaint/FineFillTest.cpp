// The finer fill: what it may change, that it always ends the same way, and that it continues
// what the picture around a mark shows.
#include <QtTest>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stop_token>
#include <vector>

#include "inpaint/MemoryPicture.h"
#include "inpaint/fine/FineFill.h"
#include "inpaint/fine/MarkRegions.h"

using inpaint::InpaintError;
using inpaint::kMarkerPixel;
using inpaint::MemoryPicture;
using inpaint::PixelOf;
using Reason = inpaint::InpaintError::Reason;

namespace {

struct Rect {
    int x, y, w, h;
};

// Wood-like stripes with noise from a fixed recurrence; never pure green. Byte 3 varies, so that
// a fill that loses it shows.
MemoryPicture Textured(int w, int h) {
    MemoryPicture picture(w, h);
    std::uint32_t state = 2024;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) % 24u);
            const int stripe = ((x + 2 * y) / 5) % 2 ? 60 : 0;
            picture.At(x, y) = PixelOf(120 + stripe + noise, 70 + stripe / 2 + noise, 40 + noise,
                                       static_cast<std::uint8_t>(x * 7 + y));
        }
    }
    return picture;
}

// Marks the rectangles in the marker colour, keeping byte 3; returns what was marked.
std::vector<std::uint8_t> Mark(MemoryPicture& picture, const std::vector<Rect>& rects) {
    std::vector<std::uint8_t> marked(picture.Pixels().size(), 0);
    for (const Rect& r : rects) {
        for (int y = r.y; y < r.y + r.h; ++y) {
            for (int x = r.x; x < r.x + r.w; ++x) {
                picture.At(x, y) = (picture.At(x, y) & 0xFF000000u) | (kMarkerPixel & 0xFFFFFFu);
                marked[static_cast<std::size_t>(y) * picture.Width() + x] = 1;
            }
        }
    }
    return marked;
}

int Fill(MemoryPicture& picture, bool live = false, const inpaint::RunHooks& hooks = {}) {
    inpaint::fine::FineOptions options;
    options.liveDisplay = live;
    return inpaint::fine::InpaintPicture(picture, picture, options, hooks);
}

double MeanAbsDifference(const MemoryPicture& a, const MemoryPicture& b, const Rect& r) {
    double sum = 0.0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(static_cast<int>((a.At(x, y) >> (8 * c)) & 255u) -
                                static_cast<int>((b.At(x, y) >> (8 * c)) & 255u));
    return sum / (3.0 * r.w * r.h);
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<Rect>)

class FineFillTest : public QObject {
    Q_OBJECT

private slots:

    void Fill_Should_ChangeOnlyMarkedPixels_data();
    void Fill_Should_ChangeOnlyMarkedPixels();
    void Fill_Should_GiveTheSameResult_WhateverTheThreadCount();
    void Fill_Should_ContinueSmoothShadingAndStraightEdges();
    void Fill_Should_Refuse_WithoutWritingBack_data();
    void Fill_Should_Refuse_WithoutWritingBack();
    void Fill_Should_StopWithoutCommitting_WhenAsked();
    void LiveDisplay_Should_ShowProgress_WithoutChangingTheResult();
    void MarkRegions_Should_GroupOnlyMarksWithinReach();
};

void FineFillTest::Fill_Should_ChangeOnlyMarkedPixels_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<std::vector<Rect>>("marks");
    QTest::newRow("box inside") << 120 << 90 << std::vector<Rect>{{40, 35, 30, 12}};
    QTest::newRow("one pixel") << 60 << 50 << std::vector<Rect>{{30, 20, 1, 1}};
    QTest::newRow("one pixel in a corner") << 60 << 50 << std::vector<Rect>{{59, 49, 1, 1}};
    QTest::newRow("box on the bottom edge") << 120 << 90 << std::vector<Rect>{{70, 76, 50, 14}};
    QTest::newRow("band across the width") << 100 << 80 << std::vector<Rect>{{0, 30, 100, 14}};
    QTest::newRow("band down the height") << 100 << 80 << std::vector<Rect>{{0, 0, 9, 80}};
    QTest::newRow("two far marks")
        << 200 << 150 << std::vector<Rect>{{5, 5, 20, 8}, {170, 135, 25, 10}};
    QTest::newRow("thick box, three levels") << 240 << 200 << std::vector<Rect>{{60, 50, 120, 100}};
    QTest::newRow("all but one row") << 40 << 30 << std::vector<Rect>{{0, 1, 40, 29}};
    QTest::newRow("picture smaller than a patch") << 5 << 4 << std::vector<Rect>{{1, 1, 3, 2}};
    QTest::newRow("one row picture") << 30 << 1 << std::vector<Rect>{{10, 0, 5, 1}};
}

// Unmarked pixels keep every bit, marked ones lose the marker colour but keep their byte 3, and
// the result is committed once.
void FineFillTest::Fill_Should_ChangeOnlyMarkedPixels() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(std::vector<Rect>, marks);
    MemoryPicture picture = Textured(width, height);
    const std::vector<std::uint8_t> marked = Mark(picture, marks);
    const std::vector<std::uint32_t> before = picture.Pixels();
    int markedCount = 0;
    for (std::uint8_t m : marked) markedCount += m;

    QCOMPARE(Fill(picture), markedCount);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::uint32_t after = picture.Pixels()[i];
        if (!marked[i]) {
            QCOMPARE(after, before[i]);
        } else {
            QVERIFY((after & 0xFFFFFFu) != (kMarkerPixel & 0xFFFFFFu));
            QCOMPARE(after >> 24, before[i] >> 24);
        }
    }
    QCOMPARE(picture.commits, 1);
    QVERIFY(picture.Committed() == picture.Pixels());
}

// The coarsest level may be started by the exact fill, whose search is shared among threads.
void FineFillTest::Fill_Should_GiveTheSameResult_WhateverTheThreadCount() {
    std::vector<std::vector<std::uint32_t>> results;
    for (int threads : {1, 2, 3, 1}) {
        MemoryPicture picture = Textured(220, 160);
        Mark(picture, {{50, 60, 110, 40}, {10, 140, 3, 3}});
        inpaint::fine::FineOptions options;
        options.tuning.threads = threads;
        options.tuning.parallelWork = 0;  // share every search, however small
        inpaint::fine::InpaintPicture(picture, picture, options);
        results.push_back(picture.Pixels());
    }
    for (const auto& result : results) QVERIFY(result == results.front());
}

// A smooth ramp is filled as a ramp, and a dark line crossing a wide mark comes back straight
// through it, not as the known picture's texture or a blur.
void FineFillTest::Fill_Should_ContinueSmoothShadingAndStraightEdges() {
    MemoryPicture ramp(160, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) ramp.At(x, y) = PixelOf(60 + x / 2, 90 + y / 2, 150);
    MemoryPicture filled = ramp;
    const Rect box{50, 30, 60, 30};
    Mark(filled, {box});
    Fill(filled);
    QVERIFY2(MeanAbsDifference(filled, ramp, box) < 3.0, "the ramp is not continued");

    MemoryPicture lined = Textured(200, 120);
    for (int x = 0; x < 200; ++x)
        for (int y = 58; y < 62; ++y) lined.At(x, y) = PixelOf(10, 10, 30);
    MemoryPicture marked = lined;
    const Rect across{60, 35, 80, 50};
    Mark(marked, {across});
    Fill(marked);
    int darkOnLine = 0, darkElsewhere = 0;
    for (int x = across.x; x < across.x + across.w; ++x) {
        for (int y = across.y; y < across.y + across.h; ++y) {
            const bool dark = ((marked.At(x, y) >> 16) & 255u) < 40;
            (y >= 58 && y < 62 ? darkOnLine : darkElsewhere) += dark ? 1 : 0;
        }
    }
    QVERIFY2(darkOnLine >= 4 * across.w * 9 / 10, qPrintable(QString::number(darkOnLine)));
    QVERIFY2(darkElsewhere <= across.w, qPrintable(QString::number(darkElsewhere)));
}

void FineFillTest::Fill_Should_Refuse_WithoutWritingBack_data() {
    QTest::addColumn<int>("targetWidth");
    QTest::addColumn<int>("scanBorder");
    QTest::addColumn<bool>("markAll");
    QTest::addColumn<int>("reason");
    QTest::newRow("everything marked")
        << 30 << 10 << true << static_cast<int>(Reason::NoSourceArea);
    QTest::newRow("sizes differ") << 31 << 10 << false << static_cast<int>(Reason::SizeMismatch);
    QTest::newRow("negative border") << 30 << -1 << false << static_cast<int>(Reason::BadArgument);
}

void FineFillTest::Fill_Should_Refuse_WithoutWritingBack() {
    QFETCH(int, targetWidth);
    QFETCH(int, scanBorder);
    QFETCH(bool, markAll);
    QFETCH(int, reason);
    MemoryPicture source = Textured(30, 20);
    Mark(source, {markAll ? Rect{0, 0, 30, 20} : Rect{5, 5, 4, 4}});
    MemoryPicture target(targetWidth, 20);
    inpaint::fine::FineOptions options;
    options.scanBorder = scanBorder;
    try {
        inpaint::fine::InpaintPicture(source, target, options);
        QFAIL("no error");
    } catch (const InpaintError& e) {
        QCOMPARE(static_cast<int>(e.reason()), reason);
    }
    QCOMPARE(target.writes, 0);
    QCOMPARE(target.commits, 0);
}

void FineFillTest::Fill_Should_StopWithoutCommitting_WhenAsked() {
    MemoryPicture picture = Textured(200, 120);
    Mark(picture, {{40, 40, 120, 40}});
    const std::vector<std::uint32_t> before = picture.Pixels();
    int yields = 0;
    std::stop_source stop;
    inpaint::RunHooks hooks;
    hooks.stop = stop.get_token();
    hooks.yield = [&] {
        if (++yields == 3) stop.request_stop();
    };
    QCOMPARE(Fill(picture, false, hooks), 0);
    QCOMPARE(yields, 3);
    QCOMPARE(picture.commits, 0);
    QVERIFY(picture.Pixels() == before);
}

void FineFillTest::LiveDisplay_Should_ShowProgress_WithoutChangingTheResult() {
    MemoryPicture quiet = Textured(200, 120);
    Mark(quiet, {{40, 40, 120, 40}});
    MemoryPicture live = quiet;
    Fill(quiet);
    Fill(live, true);
    QVERIFY(live.Pixels() == quiet.Pixels());
    QVERIFY(live.redraws > quiet.redraws);
    QVERIFY(live.writes > 1);
}

void FineFillTest::MarkRegions_Should_GroupOnlyMarksWithinReach() {
    std::vector<std::uint8_t> marked(200 * 100, 0);
    auto mark = [&](int x, int y, int w, int h) {
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx) marked[static_cast<std::size_t>(yy) * 200 + xx] = 1;
    };
    mark(10, 10, 10, 4);  // 4 thick: reach max(24, 2 * 4)
    QCOMPARE(inpaint::fine::MarkThickness(marked, 200, 100), 4);
    mark(50, 10, 10, 4);  // 30 apart: within reach
    mark(150, 80, 5, 5);  // far off
    const auto box = inpaint::fine::FindMarkBox(marked, 200, 100);
    const auto regions = inpaint::fine::FindMarkRegions(marked, 200, 100, box, 24);
    QCOMPARE(static_cast<int>(regions.size()), 2);
    QCOMPARE(regions[0].x, 0);
    QCOMPARE(regions[0].y, 0);
    QCOMPARE(regions[0].width, 60 + 24);
    QCOMPARE(regions[1].x, 150 - 24);
    QCOMPARE(regions[1].height, 100 - (80 - 24));
    // A mark along the edge is as thick as its reach from the known side.
    std::vector<std::uint8_t> edge(50 * 40, 0);
    for (int y = 30; y < 40; ++y)
        for (int x = 0; x < 50; ++x) edge[static_cast<std::size_t>(y) * 50 + x] = 1;
    QCOMPARE(inpaint::fine::MarkThickness(edge, 50, 40), 20);
}

QTEST_GUILESS_MAIN(FineFillTest)
#include "FineFillTest.moc"
