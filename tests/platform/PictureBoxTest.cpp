#include <QSignalSpy>
#include <QtTest>

#include "platform/PictureBox.h"

namespace {
constexpr QRgb Green = 0xFF00FF00u;

QImage Filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}
}  // namespace

class PictureBoxTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void SetPicture_Should_TakeThePicturesSizeAndDropMarks() {
        PictureBox box;
        box.SetPicture(Filled(30, 20, 0xFF112233u));
        box.PaintBox({1, 1}, {4, 4}, Green);
        box.OverlayBox({0, 0}, {9, 9}, Green, pixels::DrawMode::Invert);
        box.SetPicture(Filled(50, 40, 0xFF445566u).convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(box.size(), QSize(50, 40));
        QCOMPARE(box.Image().format(), QImage::Format_RGB32);
        QCOMPARE(box.Image().pixel(2, 2), 0xFF445566u);
        QVERIFY(box.OverlayEmpty());
        box.SetPicture(QImage());
        QVERIFY(!box.HasPicture());
        QCOMPARE(box.size(), QSize(0, 0));
    }

    void Marks_Should_GoToTheImageButNotThePictureUntilCommitted() {
        PictureBox box;
        box.SetPicture(Filled(10, 10, 0xFF000000u));
        box.PaintBox({2, 2}, {3, 3}, Green);
        QCOMPARE(box.Image().pixel(2, 3), Green);
        QCOMPARE(box.Picture().pixel(2, 3), 0xFF000000u);
        box.Commit();
        QCOMPARE(box.Picture().pixel(2, 3), Green);
    }

    void Overlay_Should_ShowOnScreenOnlyAndInverted() {
        PictureBox box;
        box.SetPicture(Filled(10, 10, 0xFF203040u));
        box.OverlayBox({1, 1}, {5, 5}, Green, pixels::DrawMode::Invert);
        QCOMPARE(box.Image().pixel(3, 3), 0xFF203040u);
        QCOMPARE(box.Composed().pixel(3, 3), 0xFFDFCFBFu);
        QCOMPARE(box.grab().toImage().pixel(3, 3) & 0xFFFFFFu, 0xDFCFBFu);
        box.ClearOverlay();
        QCOMPARE(box.Composed(), box.Image());
    }

    void DoubleClick_Should_BeHandedOnWithoutAnotherPress() {
        PictureBox box;
        box.SetPicture(Filled(20, 20, 0xFF000000u));
        QSignalSpy presses(&box, &PictureBox::MousePressed);
        QSignalSpy releases(&box, &PictureBox::MouseReleased);
        QSignalSpy doubles(&box, &PictureBox::DoubleClicked);
        QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 6));
        QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(5, 6));
        QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(5, 6));
        QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(5, 6));
        QCOMPARE(presses.size(), 1);
        QCOMPARE(doubles.size(), 1);
        QCOMPARE(releases.size(), 2);
        QCOMPARE(doubles[0][1].toPointF(), QPointF(5, 6));
    }
};

QTEST_MAIN(PictureBoxTest)
#include "PictureBoxTest.moc"
