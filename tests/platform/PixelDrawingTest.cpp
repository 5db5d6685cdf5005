#include <QtTest>

#include "platform/PixelDrawing.h"

using namespace pixels;

namespace {
constexpr QRgb Green = 0xFF00FF00u;
constexpr QRgb Grey = 0xFF808080u;

QImage Blank(int w = 40, int h = 40) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Grey);
    return image;
}

QSet<QPair<int, int>> Painted(const QImage& image, QRgb colour = Green) {
    QSet<QPair<int, int>> set;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour) set.insert({x, y});
    return set;
}
}  // namespace

class PixelDrawingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void RoundToPixel_Should_RoundHalvesToEven() {
        QCOMPARE(RoundToPixel(QPointF(2.5, 3.5)), QPoint(2, 4));
        QCOMPARE(RoundToPixel(QPointF(-0.5, 0.5)), QPoint(0, 0));
        QCOMPARE(RoundToPixel(QPointF(10.6667, 7.3333)), QPoint(11, 7));
    }

    void Box_Should_CoverBothCornersWhicheverDiagonal() {
        QImage a = Blank(), b = Blank();
        DrawBox(a, {3, 4}, {10, 8}, Green, DrawMode::Copy);
        DrawBox(b, {10, 8}, {3, 4}, Green, DrawMode::Copy);
        QCOMPARE(a, b);
        QCOMPARE(Painted(a).size(), 8 * 5);
        QVERIFY(Painted(a).contains({3, 4}) && Painted(a).contains({10, 8}));
    }

    void SinglePointBox_Should_PaintOnePixel() {
        QImage image = Blank();
        DrawBox(image, {5, 5}, {5, 5}, Green, DrawMode::Copy);
        QCOMPARE(Painted(image), (QSet<QPair<int, int>>{{5, 5}}));
    }

    void InvertedShapes_Should_ComplementAndRestoreWhenDrawnTwice() {
        QImage image = Blank();
        image.setPixel(6, 6, 0xFF102030u);
        const QImage before = image;
        DrawBox(image, {2, 2}, {8, 9}, Green, DrawMode::Invert);
        QCOMPARE(image.pixel(6, 6), 0xFFEFDFCFu);
        QCOMPARE(image.pixel(2, 9), 0xFF7F7F7Fu);
        DrawBox(image, {2, 2}, {8, 9}, Green, DrawMode::Invert);
        DrawLine(image, {0, 0}, {30, 17}, Green, DrawMode::Invert);
        DrawLine(image, {0, 0}, {30, 17}, Green, DrawMode::Invert);
        QCOMPARE(image, before);
    }

    void Line_Should_IncludeBothEndsAndBeConnected() {
        QImage image = Blank();
        DrawLine(image, {2, 3}, {20, 11}, Green, DrawMode::Copy);
        const auto set = Painted(image);
        QVERIFY(set.contains({2, 3}) && set.contains({20, 11}));
        QCOMPARE(set.size(), 19);  // one pixel per column along the longer axis
    }

    void ShapesOutsideTheImage_Should_BeClipped() {
        QImage image = Blank(10, 10);
        DrawBox(image, {-5, -5}, {2, 2}, Green, DrawMode::Copy);
        DrawLine(image, {-20, 5}, {50, 5}, Green, DrawMode::Copy);
        FillPolygon(image, {{-10, -10}, {30, -10}, {30, -2}}, Green);
        QCOMPARE(Painted(image).size(), 9 + 10);
    }

    void RectanglePolygon_Should_PaintTheSameAsTheBox() {
        QImage poly = Blank(), box = Blank();
        FillPolygon(poly, {{4, 5}, {20, 5}, {20, 15}, {4, 15}}, Green);
        DrawBox(box, {4, 5}, {20, 15}, Green, DrawMode::Copy);
        QCOMPARE(poly, box);
    }

    void Triangle_Should_BeSolidAndStayInsideItsOutline() {
        QImage image = Blank();
        FillPolygon(image, {{5, 5}, {35, 5}, {5, 35}}, Green);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool inside = x >= 5 && y >= 5 && x + y <= 40;
                QCOMPARE(image.pixel(x, y) == Green, inside);
            }
    }

    void Star_Should_KeepItsCentreUnpainted() {
        // A five-pointed star drawn in one stroke: its inner pentagon is crossed twice.
        QImage image = Blank(100, 100);
        std::vector<QPoint> star;
        for (int k = 0; k < 5; ++k) {
            const double angle = -M_PI / 2 + k * 4 * M_PI / 5;
            star.emplace_back(qRound(50 + 45 * std::cos(angle)), qRound(50 + 45 * std::sin(angle)));
        }
        FillPolygon(image, star, Green);
        QCOMPARE(image.pixel(50, 50), Grey);    // centre
        QCOMPARE(image.pixel(50, 15), Green);   // inside the top point
        QCOMPARE(image.pixel(star[0]), Green);  // a corner
        QCOMPARE(image.pixel(5, 5), Grey);      // outside
    }

    void FigureEight_Should_PaintBothLoops() {
        QImage image = Blank();
        FillPolygon(image, {{5, 5}, {35, 35}, {35, 5}, {5, 35}}, Green);
        QCOMPARE(image.pixel(20, 12), Grey);   // between the loops, outside
        QCOMPARE(image.pixel(10, 20), Green);  // left loop
        QCOMPARE(image.pixel(30, 20), Green);  // right loop
    }

    void DegeneratePolygons_Should_PaintADotOrALine() {
        QImage dot = Blank(), line = Blank();
        FillPolygon(dot, {{7, 7}, {7, 7}, {7, 7}}, Green);
        QCOMPARE(Painted(dot), (QSet<QPair<int, int>>{{7, 7}}));
        FillPolygon(line, {{2, 2}, {12, 2}}, Green);
        QCOMPARE(Painted(line).size(), 11);
    }

    void OffsetDrawing_Should_MatchDrawingOnTheWholeImage() {
        QImage whole = Blank();
        FillPolygon(whole, {{3, 3}, {30, 8}, {12, 33}}, Green);
        QImage part = Blank().copy(10, 10, 20, 20);
        FillPolygon(part, {{3, 3}, {30, 8}, {12, 33}}, Green, QPoint(10, 10));
        QCOMPARE(part, whole.copy(10, 10, 20, 20));
    }
};

QTEST_GUILESS_MAIN(PixelDrawingTest)
#include "PixelDrawingTest.moc"
