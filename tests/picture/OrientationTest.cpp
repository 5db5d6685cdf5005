#include <QtTest>

#include "picture/Orientation.h"
#include "picture/PictureFile.h"
#include "support/TaggedPhotos.h"

using namespace TaggedPhotos;

// Turning a picture back to how its file stores it undoes exactly what the reader did, for every
// EXIF orientation.
class OrientationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void StoredOrientation_Should_UndoTheReadersTurn_data() {
        QTest::addColumn<int>("orientation");
        for (int o = 1; o <= 8; ++o) QTest::newRow(qPrintable(QString::number(o))) << o;
    }
    void StoredOrientation_Should_UndoTheReadersTurn() {
        QFETCH(int, orientation);
        QImage picture(24, 16, QImage::Format_RGB32);  // no two pixels alike
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) picture.setPixel(x, y, qRgb(x * 10, y * 15, 200));
        Encoding lossless;
        lossless.quality = 100;
        lossless.hSampling = lossless.vSampling = 1;
        const QByteArray file = WithCameraMetadata(Jpeg(picture, lossless), orientation);

        const PictureRead read = DecodePicture(file);

        QCOMPARE(ExifOrientationOf(read.turn), orientation);
        QCOMPARE(TurnOfExifOrientation(orientation), read.turn);
        QCOMPARE(read.image.size(), orientation >= 5 ? QSize(16, 24) : QSize(24, 16));
        QCOMPARE(StoredOrientation(read.image, read.turn), StoredPixels(file));
    }
};

QTEST_GUILESS_MAIN(OrientationTest)
#include "OrientationTest.moc"
