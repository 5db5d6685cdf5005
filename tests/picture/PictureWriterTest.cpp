#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"

Q_DECLARE_METATYPE(PictureFormat)

namespace {

// Colour detail at the finest scale: one-pixel stripes of red and blue over a gradient. Colour
// stored at half resolution smears the stripes into purple.
QImage FineColour(int w = 64, int h = 48) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, x % 2 ? qRgb(200, 40 + y, 30) : qRgb(30, 40 + y, 200));
    return image;
}

double Psnr(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_RGB32);
    const QImage q = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QRgb s = p.pixel(x, y), t = q.pixel(x, y);
            for (int d : {qRed(s) - qRed(t), qGreen(s) - qGreen(t), qBlue(s) - qBlue(t)})
                sum += d * d;
        }
    const double mse = sum / (3.0 * p.width() * p.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

int DistinctColours(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) colours.insert(rgb.pixel(x, y));
    return int(colours.size());
}

QByteArray Written(const QImage& picture, PictureFormat format, const WriteOptions& options = {}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QString error = WritePicture(picture, format, buffer, options);
    if (!error.isEmpty()) qWarning("%s", qPrintable(error));
    return bytes;
}

QImage ReadBack(const QByteArray& bytes, const QByteArray& expectedFormat) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format() != expectedFormat) return {};
    return reader.read();
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class PictureWriterTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void EveryFormat_Should_ReadBackAsWritten_data() {
        QTest::addColumn<PictureFormat>("format");
        QTest::addColumn<QByteArray>("readAs");
        QTest::addColumn<double>("minPsnr");  // 99: exactly
        QTest::newRow("bmp") << PictureFormat::Bmp << QByteArray("bmp") << 99.0;
        QTest::newRow("png") << PictureFormat::Png << QByteArray("png") << 99.0;
        QTest::newRow("ppm") << PictureFormat::Ppm << QByteArray("ppm") << 99.0;
        // Full-resolution colour keeps the stripes; half-resolution colour stays under 30 dB.
        QTest::newRow("jpeg") << PictureFormat::Jpeg << QByteArray("jpeg") << 40.0;
        // Up to 256 colours are kept exactly.
        QTest::newRow("gif") << PictureFormat::Gif << QByteArray("gif") << 99.0;
    }
    void EveryFormat_Should_ReadBackAsWritten() {
        QFETCH(PictureFormat, format);
        QFETCH(QByteArray, readAs);
        QFETCH(double, minPsnr);
        const QImage picture = FineColour();
        const QImage back = ReadBack(Written(picture, format), readAs);
        QCOMPARE(back.size(), picture.size());
        const double psnr = Psnr(picture, back);
        QVERIFY2(psnr >= minPsnr, qPrintable(QString::number(psnr)));
    }

    void Jpeg_Should_KeepColourDetailThatHalfResolutionColourLoses() {
        QByteArray halved;
        QBuffer buffer(&halved);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter qt(&buffer, "jpeg");
        qt.setQuality(JpegQuality);
        QVERIFY(qt.write(FineColour()));
        const double ours =
            Psnr(FineColour(), ReadBack(Written(FineColour(), PictureFormat::Jpeg), "jpeg"));
        const double subsampled = Psnr(FineColour(), ReadBack(halved, "jpeg"));
        QVERIFY2(subsampled < 30 && ours > subsampled + 10,
                 qPrintable(QStringLiteral("%1 against %2").arg(ours).arg(subsampled)));
    }

    void ReducedColours_Should_StayWithinThePalette_data() {
        QTest::addColumn<PictureFormat>("format");
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("atMost");
        QTest::newRow("gif, true colours") << PictureFormat::Gif << 0 << 256;
        QTest::newRow("gif, 16 colours") << PictureFormat::Gif << 16 << 16;
        QTest::newRow("indexed png") << PictureFormat::Png << 16 << 16;
    }
    void ReducedColours_Should_StayWithinThePalette() {
        QFETCH(PictureFormat, format);
        QFETCH(int, colours);
        QFETCH(int, atMost);
        QImage many(96, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x) many.setPixel(x, y, qRgb(x * 2, y * 4, (x * y) % 256));
        QVERIFY(DistinctColours(many) > 256);
        const QImage back = DecodePicture(Written(many, format, {colours, true})).image;
        QCOMPARE(back.size(), many.size());
        QVERIFY(DistinctColours(back) <= atMost);
        QVERIFY(DistinctColours(back) > atMost / 2);
    }

    void Png_Should_KeepTransparency() {
        QImage picture(8, 8, QImage::Format_ARGB32);
        picture.fill(qRgba(10, 20, 30, 77));
        const QImage back = ReadBack(Written(picture, PictureFormat::Png), "png");
        QCOMPARE(back.convertToFormat(QImage::Format_ARGB32).pixel(3, 3), qRgba(10, 20, 30, 77));
    }

    // A failure is never reported as success.
    void Failures_Should_SayWhy_data() {
        QTest::addColumn<PictureFormat>("format");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("deviceWritable");
        QTest::addColumn<QString>("error");  // part of the text; empty: any text
        QTest::newRow("gif too wide")
            << PictureFormat::Gif << QSize(65536, 1) << true << QStringLiteral("too large for GIF");
        QTest::newRow("jpeg too wide") << PictureFormat::Jpeg << QSize(65501, 1) << true
                                       << QStringLiteral("too large for JPEG");
        for (const auto& [name, format] :
             {std::pair{"bmp", PictureFormat::Bmp}, std::pair{"png", PictureFormat::Png},
              std::pair{"ppm", PictureFormat::Ppm}, std::pair{"jpeg", PictureFormat::Jpeg},
              std::pair{"gif", PictureFormat::Gif}})
            QTest::addRow("%s to a read-only device", name)
                << format << QSize(16, 16) << false << QString();
    }
    void Failures_Should_SayWhy() {
        QFETCH(PictureFormat, format);
        QFETCH(QSize, size);
        QFETCH(bool, deviceWritable);
        QFETCH(QString, error);
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        QByteArray bytes("untouched");
        QBuffer buffer(&bytes);
        buffer.open(deviceWritable ? QIODevice::WriteOnly : QIODevice::ReadOnly);
        const QString said = WritePicture(picture, format, buffer);
        QVERIFY(!said.isEmpty());
        QVERIFY2(said.contains(error), qPrintable(said));
        if (!deviceWritable) QCOMPARE(bytes, QByteArray("untouched"));
    }

    // A full disk is named as the system names it, never "Unknown error".
    void FullDisk_Should_BeNamedAsTheCause_data() {
        QTest::addColumn<PictureFormat>("format");
        for (const auto& [name, format] :
             {std::pair{"bmp", PictureFormat::Bmp}, std::pair{"png", PictureFormat::Png},
              std::pair{"ppm", PictureFormat::Ppm}, std::pair{"jpeg", PictureFormat::Jpeg},
              std::pair{"gif", PictureFormat::Gif}})
            QTest::newRow(name) << format;
    }
    void FullDisk_Should_BeNamedAsTheCause() {
        QFETCH(PictureFormat, format);
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly));
        QImage picture(300, 300, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        QString said = WritePicture(picture, format, full);
        if (said.isEmpty() && !full.flush()) said = full.errorString();
        QVERIFY2(said.contains(QStringLiteral("No space left on device"), Qt::CaseInsensitive),
                 qPrintable(said));
    }

    void WritingAFile_Should_ReplaceItWholeOrNotAtAll() {
        const QString target = dir_.filePath(QStringLiteral("result.gif"));
        QVERIFY(WritePicture(FineColour(), PictureFormat::Gif, target).isEmpty());
        const QByteArray first = FileBytes(target);
        QCOMPARE(DecodePicture(first).image.size(), FineColour().size());

        QImage tooWide(65536, 1, QImage::Format_RGB32);
        tooWide.fill(Qt::black);
        QVERIFY(!WritePicture(tooWide, PictureFormat::Gif, target).isEmpty());
        QCOMPARE(FileBytes(target), first);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("result.gif")});

        const QString nowhere = dir_.filePath(QStringLiteral("no folder/result.png"));
        QVERIFY(!WritePicture(FineColour(), PictureFormat::Png, nowhere).isEmpty());
        QVERIFY(!QFile::exists(nowhere));
    }
};

QTEST_MAIN(PictureWriterTest)
#include "PictureWriterTest.moc"
