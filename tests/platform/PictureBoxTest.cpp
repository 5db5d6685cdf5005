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
    // Above 100 % every picture pixel is a sharp square and a press gives the pixel under it;
    // below, the view is the smoothed picture and follows every change, marks and live writes.
    void Zoom_Should_ShowAndMapThePictureThroughOneMapping() {
        PictureBox box;
        QImage checks(16, 12, QImage::Format_RGB32);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x)
                checks.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u);
        box.SetPicture(checks);
        box.SetZoom(4.0);
        QCOMPARE(box.size(), QSize(64, 48));
        const QImage enlarged = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (QPoint v : {QPoint(0, 0), QPoint(3, 3), QPoint(4, 0), QPoint(63, 47), QPoint(21, 9)})
            QCOMPARE(enlarged.pixel(v), checks.pixel(v.x() / 4, v.y() / 4));
        QSignalSpy presses(&box, &PictureBox::MousePressed);
        QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(23, 9));
        QCOMPARE(presses[0][1].toPointF(), QPointF(5, 2));

        QImage big(800, 600, QImage::Format_RGB32);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) big.setPixel(x, y, qRgb(x % 256, y % 256, 99));
        box.SetPicture(big);
        box.SetZoom(0.11);  // between two halved copies: each view pixel blends several
        QCOMPARE(box.size(), QSize(88, 66));
        // The screen as the window system keeps it: painted whole once, then only where asked.
        QImage screen(box.size(), QImage::Format_RGB32);
        box.render(&screen);
        auto whole = [](PictureBox& b) {
            QImage out(b.size(), QImage::Format_RGB32);
            b.render(&out);
            return out;
        };
        // A fill written a row at a time, each shown as it comes, as live display does, leaves
        // the screen as a fresh view of the result would show it.
        box.PaintBox({321, 243}, {478, 355}, Green);
        box.render(&screen, box.RepaintArea(QRect(321, 243, 158, 113)).topLeft(),
                   QRegion(box.RepaintArea(QRect(321, 243, 158, 113))));
        for (int y = 243; y <= 355; ++y) {
            std::vector<std::uint32_t> row(158);
            for (int x = 0; x < 158; ++x) row[std::size_t(x)] = big.pixel(321 + x, y) & 0xFFFFFFu;
            box.WritePixels(321, y, 158, 1, row.data(), 158);
            const QRect area = box.RepaintArea(QRect(321, y, 158, 1));
            box.RedrawWritten();
            box.render(&screen, area.topLeft(), QRegion(area));
        }
        PictureBox fresh;
        fresh.SetPicture(big);
        fresh.SetZoom(0.11);
        QCOMPARE(screen, whole(fresh));
    }
};

QTEST_MAIN(PictureBoxTest)
#include "PictureBoxTest.moc"
