// Carrying marks from one picture to another: each connected part keeps its distance from its
// nearest corner, parts over the edge are cut, parts wholly outside are dropped and listed; and
// the turns between stored and upright agree with the picture reader's.
#include <QImage>
#include <QtTest>

#include <vector>

#include "inpaint/MarkAnchoring.h"
#include "picture/Orientation.h"

using inpaint::AnchorMarks;
using inpaint::MarkMask;
using inpaint::MarkRect;

namespace {

struct Rect {
    int x, y, w, h;
};

MarkMask MaskOf(int w, int h, const std::vector<Rect>& rects) {
    MarkMask mask(w, h);
    for (const Rect& r : rects)
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x) mask.At(x, y) = 1;
    return mask;
}

QString Describe(const MarkMask& mask) {
    QString text;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.At(x, y)) text += QStringLiteral("(%1,%2)").arg(x).arg(y);
    return text;
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<Rect>)
Q_DECLARE_METATYPE(std::vector<MarkRect>)

class MarkAnchoringTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void AnchorMarks_Should_KeepEachPartsDistanceFromItsNearestCorner_data() {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<std::vector<Rect>>("marks");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<std::vector<Rect>>("expected");
        QTest::addColumn<int>("clipped");
        QTest::addColumn<std::vector<MarkRect>>("dropped");
        // A 100 x 60 picture with an imprint at the bottom right (10 from the right, 5 from the
        // bottom) and a dot at the top left.
        const QSize photo(100, 60);
        const std::vector<Rect> imprint{{70, 45, 20, 10}, {3, 2, 2, 2}};
        QTest::newRow("same size")
            << photo << imprint << photo << imprint << 0 << std::vector<MarkRect>{};
        QTest::newRow("bigger") << photo << imprint << QSize(160, 90)
                                << std::vector<Rect>{{130, 75, 20, 10}, {3, 2, 2, 2}} << 0
                                << std::vector<MarkRect>{};
        QTest::newRow("smaller") << photo << imprint << QSize(50, 40)
                                 << std::vector<Rect>{{20, 25, 20, 10}, {3, 2, 2, 2}} << 0
                                 << std::vector<MarkRect>{};
        QTest::newRow("portrait") << photo << imprint << QSize(60, 100)
                                  << std::vector<Rect>{{30, 85, 20, 10}, {3, 2, 2, 2}} << 0
                                  << std::vector<MarkRect>{};
        // The imprint keeps 10 from the right on a 25 wide picture: from x = -5, cut to 0..15.
        QTest::newRow("cut at the edge")
            << photo << imprint << QSize(25, 60) << std::vector<Rect>{{0, 45, 15, 10}, {3, 2, 2, 2}}
            << 1 << std::vector<MarkRect>{};
        // On a 4 x 4 picture the imprint lies wholly left and above; the dot is cut.
        QTest::newRow("wholly outside")
            << photo << imprint << QSize(4, 4) << std::vector<Rect>{{3, 2, 1, 2}} << 1
            << std::vector<MarkRect>{{-26, -11, -6, -1}};
        // Each part moves on its own: a bar across the middle is nearer the left (centre on
        // the left half), a block right of the middle follows the right edge.
        QTest::newRow("parts apart")
            << QSize(100, 40) << std::vector<Rect>{{10, 18, 45, 2}, {60, 10, 5, 5}}
            << QSize(120, 40) << std::vector<Rect>{{10, 18, 45, 2}, {80, 10, 5, 5}} << 0
            << std::vector<MarkRect>{};
        // A centre exactly in the middle stays with the left and top.
        QTest::newRow("centred") << QSize(10, 10) << std::vector<Rect>{{4, 4, 2, 2}}
                                 << QSize(20, 30) << std::vector<Rect>{{4, 4, 2, 2}} << 0
                                 << std::vector<MarkRect>{};
        // Diagonal neighbours are separate parts: they may part company.
        QTest::newRow("diagonal parts")
            << QSize(10, 2) << std::vector<Rect>{{4, 0, 1, 1}, {5, 1, 1, 1}} << QSize(12, 2)
            << std::vector<Rect>{{4, 0, 1, 1}, {7, 1, 1, 1}} << 0 << std::vector<MarkRect>{};
        QTest::newRow("no marks") << photo << std::vector<Rect>{} << QSize(30, 30)
                                  << std::vector<Rect>{} << 0 << std::vector<MarkRect>{};
    }
    void AnchorMarks_Should_KeepEachPartsDistanceFromItsNearestCorner() {
        QFETCH(QSize, from);
        QFETCH(std::vector<Rect>, marks);
        QFETCH(QSize, to);
        QFETCH(std::vector<Rect>, expected);
        QFETCH(int, clipped);
        QFETCH(std::vector<MarkRect>, dropped);

        const inpaint::AnchoredMarks anchored =
            AnchorMarks(MaskOf(from.width(), from.height(), marks), to.width(), to.height());

        QCOMPARE(anchored.mask.width, to.width());
        QCOMPARE(anchored.mask.height, to.height());
        QCOMPARE(Describe(anchored.mask), Describe(MaskOf(to.width(), to.height(), expected)));
        QCOMPARE(anchored.clipped, clipped);
        QVERIFY(anchored.dropped == dropped);
    }

    // A part of any shape moves whole: an L whose box holds another part moves without it.
    void AnchorMarks_Should_MoveOnlyThePartsOwnPixels() {
        MarkMask l = MaskOf(20, 20, {{8, 10, 10, 2}, {16, 12, 2, 6}});
        l.At(9, 14) = 1;  // inside the L's box, its own part, nearer the left
        const MarkMask moved = AnchorMarks(l, 30, 20).mask;
        QCOMPARE(Describe(moved),
                 Describe(MaskOf(30, 20, {{18, 10, 10, 2}, {26, 12, 2, 6}, {9, 14, 1, 1}})));
    }

    void Turns_Should_AgreeWithThePictureReader_data() {
        QTest::addColumn<int>("orientation");
        for (int o = 1; o <= 8; ++o) QTest::newRow(qPrintable(QString::number(o))) << o;
    }
    void Turns_Should_AgreeWithThePictureReader() {
        QFETCH(int, orientation);
        const auto turn = TurnOfExifOrientation(orientation);
        // Upright 7 x 4 with marks at distinct places, so that any wrong turn shows.
        const MarkMask upright = MaskOf(7, 4, {{0, 0, 2, 1}, {6, 3, 1, 1}, {3, 1, 1, 2}});
        QImage picture(7, 4, QImage::Format_RGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 7; ++x)
                picture.setPixel(x, y, upright.At(x, y) ? qRgb(0, 255, 0) : qRgb(0, 0, 0));

        const QImage stored = StoredOrientation(picture, turn);
        const MarkMask storedMarks = inpaint::StoredMarks(upright, int(turn));

        MarkMask expected(stored.width(), stored.height());
        for (int y = 0; y < stored.height(); ++y)
            for (int x = 0; x < stored.width(); ++x)
                expected.At(x, y) = qGreen(stored.pixel(x, y)) == 255;
        QCOMPARE(Describe(storedMarks), Describe(expected));
        QCOMPARE(storedMarks.width, stored.width());
        QCOMPARE(Describe(inpaint::UprightMarks(storedMarks, int(turn))), Describe(upright));
    }
};

QTEST_GUILESS_MAIN(MarkAnchoringTest)
#include "MarkAnchoringTest.moc"
