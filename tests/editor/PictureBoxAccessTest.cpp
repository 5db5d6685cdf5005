#include <QtTest>

#include "editor/PictureBoxAccess.h"

namespace {
constexpr QRgb Green = 0xFF00FF00u;

QImage Filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}
}  // namespace

// The engine's view of a picture box.
class PictureBoxAccessTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void Access_Should_ReadBlueInByteZeroAndWriteARectangle() {
        PictureBox box;
        QImage picture = Filled(4, 3, 0xFF000000u);
        picture.setPixel(1, 2, qRgb(0x11, 0x22, 0x33));
        box.SetPicture(picture);
        PictureBoxAccess access(box);
        QCOMPARE(access.Width(), 4);
        QCOMPARE(access.Height(), 3);
        std::vector<std::uint32_t> pixels(12);
        access.ReadPixels(pixels.data());
        const auto* bytes = reinterpret_cast<const unsigned char*>(&pixels[2 * 4 + 1]);
        QCOMPARE(int(bytes[0]), 0x33);  // blue
        QCOMPARE(int(bytes[1]), 0x22);  // green
        QCOMPARE(int(bytes[2]), 0x11);  // red

        // A 2 x 2 block from a source whose rows are 3 values apart.
        const std::uint32_t src[] = {0x0000FF00u, 0x000000FFu, 0, 0x00FF0000u, 0x00ABCDEFu, 0};
        access.WritePixels(2, 1, 2, 2, src, 3);
        QCOMPARE(box.Image().pixel(2, 1), Green);
        QCOMPARE(box.Image().pixel(3, 2), 0xFFABCDEFu);
        QCOMPARE(box.Image().pixel(1, 1), 0xFF000000u);
        QCOMPARE(box.Picture().pixel(2, 1), 0xFF000000u);
        access.Redraw();
        access.Commit();
        QCOMPARE(box.Picture().pixel(2, 2), 0xFFFF0000u);
    }

    void WritingTheWholePicture_Should_RedrawOnlyWhatChanged() {
        PictureBox box;
        box.SetPicture(Filled(50, 40, 0xFF000000u));
        box.show();
        QCoreApplication::processEvents();
        std::vector<std::uint32_t> pixels(50 * 40, 0);
        pixels[12 * 50 + 30] = 0x00FFFFFFu;
        pixels[15 * 50 + 20] = 0x00FFFFFFu;
        struct PaintSpy : QObject {
            QRegion painted;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
                return false;
            }
        } spy;
        box.installEventFilter(&spy);
        PictureBoxAccess access(box);
        access.WritePixels(0, 0, 50, 40, pixels.data(), 50);
        access.Redraw();
        QCoreApplication::processEvents();
        QCOMPARE(spy.painted.boundingRect(), QRect(20, 12, 11, 4));
        QCOMPARE(box.Image().pixel(30, 12), 0xFFFFFFFFu);
    }

    // Live display asks for a redraw after every step: the box is painted at most about once a
    // frame, yet in the end every written pixel has been painted, after a commit at once and
    // after a stopped run when the access ends.
    void RedrawsOfEveryStep_Should_ComeAtMostOncePerFrameAndMissNothing() {
        PictureBox box;
        box.SetPicture(Filled(200, 20, 0xFF000000u));
        box.show();
        QCoreApplication::processEvents();
        struct PaintSpy : QObject {
            QRegion painted;
            int paints = 0;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() != QEvent::Paint) return false;
                painted += static_cast<QPaintEvent*>(e)->region();
                ++paints;
                return false;
            }
        } spy;
        box.installEventFilter(&spy);
        const std::uint32_t white[4] = {0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu};
        for (const bool commit : {true, false}) {
            spy.painted = QRegion();
            spy.paints = 0;
            QRegion written;
            QElapsedTimer clock;
            clock.start();
            {
                PictureBoxAccess access(box);
                for (int step = 0; step < 100; ++step) {
                    const QRect patch((step * 2) % 199, commit ? 3 : 12, 2, 2);
                    access.WritePixels(patch.x(), patch.y(), 2, 2, white, 2);
                    written += patch;
                    access.Redraw();
                    QCoreApplication::processEvents();
                }
                if (commit) {
                    access.Commit();
                    access.Redraw();
                    QCoreApplication::processEvents();
                    QCOMPARE(spy.painted.intersected(written), written);
                }
            }
            QCoreApplication::processEvents();
            QCOMPARE(spy.painted.intersected(written), written);
            const double frames = static_cast<double>(clock.elapsed()) / (1000.0 / 240.0);
            QVERIFY2(spy.paints <= frames + 3, qPrintable(QString::number(spy.paints)));
            QVERIFY(spy.paints < 100);
        }
    }
};

QTEST_MAIN(PictureBoxAccessTest)
#include "PictureBoxAccessTest.moc"
