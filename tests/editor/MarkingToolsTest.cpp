#include <QtTest>

#include "editor/MarkingTools.h"
#include "platform/PixelDrawing.h"

namespace {
constexpr QRgb Grey = 0xFF808080u;

// A picture area without a window: the persistent image plus a list of overlay shapes.
class ImageSurface : public MarkingSurface {
public:
    QImage image;
    QStringList overlay;  // "box x1,y1 x2,y2 inv" / "line ... copy"

    ImageSurface() : image(60, 60, QImage::Format_RGB32) { image.fill(Grey); }
    void ClearOverlay() override { overlay.clear(); }
    void OverlayBox(QPoint a, QPoint b, bool invert) override {
        overlay << Describe("box", a, b, invert);
    }
    void OverlayLine(QPoint a, QPoint b, bool invert) override {
        overlay << Describe("line", a, b, invert);
    }
    void PaintBox(QPoint a, QPoint b) override {
        pixels::DrawBox(image, a, b, MarkerColor, pixels::DrawMode::Copy);
    }
    void PaintPolygon(const std::vector<QPoint>& corners) override {
        pixels::FillPolygon(image, corners, MarkerColor);
    }
    int Marked() const {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == MarkerColor;
        return n;
    }
    static QString Describe(const char* kind, QPoint a, QPoint b, bool invert) {
        return QStringLiteral("%1 %2,%3 %4,%5 %6")
            .arg(QLatin1String(kind))
            .arg(a.x())
            .arg(a.y())
            .arg(b.x())
            .arg(b.y())
            .arg(invert ? QStringLiteral("inv") : QStringLiteral("copy"));
    }
};

QImage BoxImage(QPoint a, QPoint b) {
    ImageSurface s;
    s.PaintBox(a, b);
    return s.image;
}

QList<QPoint> Pending(const MarkingTools& t) {
    return QList<QPoint>(t.PendingPoints().begin(), t.PendingPoints().end());
}

void Click(MarkingTools& t, QPointF p, Qt::MouseButton b = Qt::LeftButton) {
    t.Press(b, p);
    t.Release(b, p);
}
}  // namespace

class MarkingToolsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void BoxDrag_Should_ShowAnInvertedBandThenPaintTheBox() {
        ImageSurface s;
        MarkingTools t(s);
        t.Press(Qt::LeftButton, {10, 12});
        t.Move({20.4, 30.5});
        QCOMPARE(s.overlay, QStringList{QStringLiteral("box 10,12 20,30 inv")});
        QCOMPARE(s.Marked(), 0);
        t.Release(Qt::LeftButton, {20, 30});
        QVERIFY(s.overlay.isEmpty());
        QCOMPARE(s.image, BoxImage({10, 12}, {20, 30}));
        QVERIFY(t.PendingPoints().empty());
    }

    void RightPress_Should_CancelAndTheNextReleaseAnchors() {
        ImageSurface s;
        MarkingTools t(s);
        t.Press(Qt::LeftButton, {5, 5});
        t.Move({9, 9});
        t.Press(Qt::RightButton, {9, 9});
        QVERIFY(s.overlay.isEmpty());
        QVERIFY(t.PendingPoints().empty());
        t.Release(Qt::LeftButton, {20, 20});   // anchors at the release point
        t.Release(Qt::RightButton, {20, 20});  // ignored
        t.Move({25, 22});
        QCOMPARE(s.overlay, QStringList{QStringLiteral("box 20,20 25,22 inv")});
        t.Press(Qt::LeftButton, {30, 28});  // commits
        QCOMPARE(s.image, BoxImage({20, 20}, {30, 28}));
        t.Release(Qt::LeftButton, {30, 28});  // anchors again
        QCOMPARE(Pending(t), QList<QPoint>{QPoint(30, 28)});
    }

    void SwitchingTools_Should_DropTheAnchorButKeepPaintedRegions() {
        ImageSurface s;
        MarkingTools t(s);
        Click(t, {1, 1});
        t.Press(Qt::LeftButton, {3, 3});
        const int marked = s.Marked();
        QCOMPARE(Pending(t), QList<QPoint>{QPoint(3, 3)});
        t.ChooseTool(MarkingTools::Tool::Polygon);
        QCOMPARE(t.CurrentTool(), MarkingTools::Tool::Polygon);
        QVERIFY(t.PendingPoints().empty());
        QCOMPARE(s.Marked(), marked);
        t.ChooseTool(MarkingTools::Tool::Box);
        t.Move({40, 40});
        QVERIFY(s.overlay.isEmpty());
    }

    void PolygonClosingClick_Should_PaintTheTriangleAndStartANewOutline() {
        ImageSurface s;
        MarkingTools t(s);
        t.ChooseTool(MarkingTools::Tool::Polygon);
        Click(t, {10, 10});
        Click(t, {40, 10});
        Click(t, {10, 40});
        t.Move({30, 30});
        // Outline corner to corner in copy mode, rubber band inverted from the last corner.
        QCOMPARE(s.overlay.last(), QStringLiteral("line 10,40 30,30 inv"));
        QVERIFY(s.overlay.contains(QStringLiteral("line 10,10 40,10 copy")));
        Click(t, {11, 9});  // within one pixel of the start
        ImageSurface expected;
        expected.PaintPolygon({{10, 10}, {40, 10}, {10, 40}});
        QCOMPARE(s.image, expected.image);
        QCOMPARE(Pending(t), QList<QPoint>{QPoint(11, 9)});  // the release began a new outline
    }

    void ClickTwoPixelsFromTheStart_Should_AddACorner() {
        ImageSurface s;
        MarkingTools t(s);
        t.ChooseTool(MarkingTools::Tool::Polygon);
        Click(t, {10, 10});
        Click(t, {40, 10});
        Click(t, {12, 10});
        QCOMPARE(s.Marked(), 0);
        QCOMPARE(t.PendingPoints().size(), 6u);
    }

    // Closing takes a press on the 3 x 3 pixels centred on the start, on every side alike.
    void PressNearTheStart_Should_CloseOnlyWithinOnePixel_data() {
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("closes");
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                QTest::addRow("%+d,%+d", dx, dy)
                    << QPoint(dx, dy) << (qAbs(dx) <= 1 && qAbs(dy) <= 1);
    }
    void PressNearTheStart_Should_CloseOnlyWithinOnePixel() {
        QFETCH(QPoint, offset);
        QFETCH(bool, closes);
        ImageSurface s;
        MarkingTools t(s);
        t.ChooseTool(MarkingTools::Tool::Polygon);
        const QPoint start(20, 20);
        const QList<QPoint> corners{start, {50, 20}, {20, 50}};
        for (QPoint p : corners) t.Press(Qt::LeftButton, p);
        t.Press(Qt::LeftButton, start + offset);
        if (closes) {
            ImageSurface triangle;
            triangle.PaintPolygon({corners.begin(), corners.end()});
            QCOMPARE(s.image, triangle.image);
            QVERIFY(t.PendingPoints().empty());
        } else {
            QCOMPARE(s.Marked(), 0);
            QCOMPARE(Pending(t), corners + QList<QPoint>{start + offset});
        }
    }

    void SecondClickOnTheStart_Should_FinishAtOnceWithADot() {
        ImageSurface s;
        MarkingTools t(s);
        t.ChooseTool(MarkingTools::Tool::Polygon);
        Click(t, {10, 10});
        t.Press(Qt::LeftButton, {10, 10});    // corner 2
        t.Release(Qt::LeftButton, {10, 10});  // the third corner exists already: closes
        QCOMPARE(s.Marked(), 1);
    }

    void DoubleClick_Should_FinishThePolygonThroughThatPoint() {
        ImageSurface s;
        MarkingTools t(s);
        t.ChooseTool(MarkingTools::Tool::Polygon);
        Click(t, {10, 10});
        Click(t, {40, 10});
        Click(t, {40, 40});
        // press, release, double click, release
        t.Press(Qt::LeftButton, {10, 40});
        t.Release(Qt::LeftButton, {10, 40});
        t.DoubleClick();
        t.Release(Qt::LeftButton, {10, 40});
        ImageSurface expected;
        expected.PaintBox({10, 10}, {40, 40});
        QCOMPARE(s.image, expected.image);
        QCOMPARE(Pending(t), QList<QPoint>{QPoint(10, 40)});
    }

    void RightPressWithOpenOutline_Should_PaintNothing() {
        ImageSurface s;
        MarkingTools t(s);
        t.ChooseTool(MarkingTools::Tool::Polygon);
        Click(t, {10, 10});
        Click(t, {40, 10});
        t.Press(Qt::RightButton, {40, 40});
        QVERIFY(s.overlay.isEmpty());
        QVERIFY(t.PendingPoints().empty());
        t.DoubleClick();
        QCOMPARE(s.Marked(), 0);
    }

    void DoubleClickInBoxMode_Should_DoNothing() {
        ImageSurface s;
        MarkingTools t(s);
        t.Press(Qt::LeftButton, {5, 5});
        t.DoubleClick();
        QCOMPARE(Pending(t), QList<QPoint>{QPoint(5, 5)});
        QCOMPARE(s.Marked(), 0);
    }
};

QTEST_GUILESS_MAIN(MarkingToolsTest)
#include "MarkingToolsTest.moc"
