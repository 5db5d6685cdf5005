// The fast PNG encoder: every colour type it writes read back by Qt's reader pixel for pixel, the
// strips joined into one valid zlib stream (checksum included) whatever their number and the
// picture's height, and what it leaves to Qt's writer.
#include <zlib.h>
#include <QBuffer>
#include <QColorSpace>
#include <QtEndian>
#include <QtTest>

#include "picture/PictureWriter.h"
#include "picture/PngChunks.h"
#include "picture/PngWriter.h"

namespace {

// A picture with colour, grey and alpha changing from pixel to pixel and from row to row, so
// that every filter byte and every strip boundary matters.
QImage Pattern(QImage::Format format, int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba((x * 37 + y * 11) & 255, (x * x + 3 * y) & 255,
                                 (x ^ (y * 7)) & 255, (255 - x * 5 - y) & 255));
    if (format == QImage::Format_Indexed8) {
        QImage indexed(width, height, QImage::Format_Indexed8);
        QList<QRgb> palette;
        for (int i = 0; i < 40; ++i)
            palette << qRgba(i * 6, 255 - i * 3, i * i & 255, i < 5 ? i * 40 : 255);
        indexed.setColorTable(palette);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) indexed.setPixel(x, y, uint((x * 3 + y * 5) % 40));
        return indexed;
    }
    return image.convertToFormat(format);
}

// The data of every IDAT chunk joined; the colour type from IHDR.
QByteArray ImageData(const QByteArray& png, int* colourType = nullptr) {
    QByteArray data;
    for (qsizetype i = 8; i + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + i);
        const QByteArray type = png.mid(i + 4, 4);
        if (type == "IDAT") data += png.mid(i + 8, length);
        if (type == "IHDR" && colourType) *colourType = png[i + 8 + 9];
        i += 12 + qsizetype(length);
    }
    return data;
}

// zlib's own decoder checks the whole stream, its end and its Adler-32 checksum.
bool ZlibStreamIsValid(const QByteArray& zlibData, qsizetype expectedSize) {
    QByteArray out(expectedSize + 1, '\0');
    uLongf size = uLongf(out.size());
    const int status =
        uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(zlibData.constData()), uLong(zlibData.size()));
    return status == Z_OK && qsizetype(size) == expectedSize;
}

QByteArray WrittenPng(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QString error = WritePicture(picture, PictureFormat::Png, buffer);
    return error.isEmpty() ? bytes : QByteArray();
}

}  // namespace

class PngWriterTest : public QObject {
    Q_OBJECT
private slots:
    void EveryColourType_Should_ReadBackExactly_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("colourType");
        QTest::addColumn<int>("bytesPerPixel");
        QTest::newRow("rgb") << int(QImage::Format_RGB32) << 2 << 3;
        QTest::newRow("rgb with alpha") << int(QImage::Format_ARGB32) << 6 << 4;
        QTest::newRow("grey") << int(QImage::Format_Grayscale8) << 0 << 1;
        QTest::newRow("palette with alpha") << int(QImage::Format_Indexed8) << 3 << 1;
    }
    void EveryColourType_Should_ReadBackExactly() {
        QFETCH(int, format);
        QFETCH(int, colourType);
        QFETCH(int, bytesPerPixel);
        // One row, two rows, odd heights; fewer, as many and more strips than rows.
        for (const int height : {1, 2, 7, 61})
            for (const int strips : {1, 2, 3, 8}) {
                const QImage picture = Pattern(QImage::Format(format), 45, height);
                QVERIFY(FastPngTakes(picture));
                const QByteArray png = EncodeFastPng(picture, strips);
                int type = -1;
                const QByteArray data = ImageData(png, &type);
                QCOMPARE(type, colourType);
                QVERIFY2(
                    ZlibStreamIsValid(data, qsizetype(height) * (45 * bytesPerPixel + 1)),
                    qPrintable(QStringLiteral("height %1, %2 strips").arg(height).arg(strips)));
                const QImage back = QImage::fromData(png, "PNG");
                QCOMPARE(back.convertToFormat(QImage::Format_ARGB32),
                         picture.convertToFormat(QImage::Format_ARGB32));
            }
    }

    // Large enough for one strip per core: the joined stream must still be one valid stream.
    void LargePicture_Should_BeSplitIntoStripsThatJoin() {
        const QImage picture = Pattern(QImage::Format_RGB32, 700, 555);
        for (const int strips : {0, 2, 5}) {
            const QByteArray png = EncodeFastPng(picture, strips);
            QVERIFY(ZlibStreamIsValid(ImageData(png), 555 * (700 * 3 + 1)));
            QCOMPARE(QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32), picture);
        }
    }

    // WritePicture: the resolution as Qt writes it, premultiplied alpha straightened, and what
    // the encoder does not write (texts, a colour space, other formats) left to Qt's writer.
    void WritePicture_Should_KeepWhatQtsWriterKept() {
        QImage picture = Pattern(QImage::Format_RGB32, 30, 20);
        picture.setDotsPerMeterX(2835);
        picture.setDotsPerMeterY(3000);
        const QByteArray plain = WrittenPng(picture);
        const QByteArray phys = PngChunkData(plain, "pHYs");
        QCOMPARE(phys.size(), 9);
        QCOMPARE(qFromBigEndian<quint32>(phys.constData()), 2835u);
        QCOMPARE(qFromBigEndian<quint32>(phys.constData() + 4), 3000u);

        const QImage premultiplied = Pattern(QImage::Format_ARGB32_Premultiplied, 30, 20);
        QCOMPARE(QImage::fromData(WrittenPng(premultiplied), "PNG")
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 premultiplied);

        QImage texted = picture;
        texted.setText(QStringLiteral("Title"), QStringLiteral("bridge"));
        QVERIFY(!FastPngTakes(texted));
        QCOMPARE(QImage::fromData(WrittenPng(texted), "PNG").text(QStringLiteral("Title")),
                 QStringLiteral("bridge"));
        QImage profiled = picture;
        profiled.setColorSpace(QColorSpace::SRgb);
        QVERIFY(!FastPngTakes(profiled));
        QVERIFY(FastPngTakesPixels(profiled));
        const QImage wide = picture.convertToFormat(QImage::Format_RGBA64);
        QVERIFY(!FastPngTakes(wide));
        QCOMPARE(QImage::fromData(WrittenPng(wide), "PNG").format(), QImage::Format_RGBA64);
    }

    // A palette picture saved beside a source keeps its colours (its palette used to be dropped
    // with the texts and colour space).
    void PalettePictureWithSource_Should_KeepItsColours() {
        const QImage picture = Pattern(QImage::Format_Indexed8, 33, 9);
        QByteArray source = WrittenPng(Pattern(QImage::Format_RGB32, 33, 9));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(WritePicture(picture, PictureFormat::Png, buffer, {}, WriteSource{{}, source})
                    .isEmpty());
        QCOMPARE(QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_ARGB32),
                 picture.convertToFormat(QImage::Format_ARGB32));
    }
};

QTEST_GUILESS_MAIN(PngWriterTest)
#include "PngWriterTest.moc"
