#include <zlib.h>
#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>
#include <QtTest>

#include "picture/PngChunks.h"

namespace {

QByteArray Png(const QImage& picture, const QString& text = QString()) {
    QImage image = picture;
    if (!text.isEmpty()) image.setText(QStringLiteral("Comment"), text);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

// The chunk types in order; empty when a length runs past the end or a CRC is wrong.
QByteArrayList Types(const QByteArray& png) {
    QByteArrayList types;
    for (qsizetype i = 8; i + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + i);
        if (i + 12 + qsizetype(length) > png.size()) return {};
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(png.constData() + i + 4), uInt(length + 4));
        if (qFromBigEndian<quint32>(png.constData() + i + 8 + length) != crc) return {};
        types << png.mid(i + 4, 4);
        i += 12 + qsizetype(length);
    }
    return types;
}

}  // namespace

class PngChunksTest : public QObject {
    Q_OBJECT
    QImage picture_ = QImage(20, 10, QImage::Format_RGB32);

private Q_SLOTS:
    void initTestCase() { picture_.fill(qRgb(10, 200, 30)); }

    // Put in after the header (the profile and EXIF must come before the image data), each with
    // its CRC; chunks of the same kind are replaced, others kept; the picture reads as before.
    void Chunks_Should_GoBeforeTheImageDataAndReplaceTheirKind() {
        const QByteArray old = WithPngChunks(
            Png(picture_, QStringLiteral("kept")),
            {{"sRGB", QByteArray(1, '\0')}, ExifChunk("MM\0*old"), XmpChunk("<old/>")});
        const QByteArray png = WithPngChunks(
            old, {IccChunk(QByteArray(300, 'p')), ExifChunk("II*\0new"), XmpChunk("<new/>")});

        const QByteArrayList types = Types(png);
        QCOMPARE(types.mid(0, 4), (QByteArrayList{"IHDR", "iCCP", "eXIf", "iTXt"}));
        QVERIFY(types.indexOf("IDAT") > 3);
        QCOMPARE(types.count("iTXt") + types.count("tEXt"), 2);  // the Comment text stays
        QVERIFY(!types.contains("sRGB"));
        QCOMPARE(types.last(), QByteArray("IEND"));
        QCOMPARE(PngChunkData(png, "eXIf"), QByteArray("II*\0new"));
        QVERIFY(PngChunkData(png, "iTXt").endsWith("<new/>"));
        QByteArray profile(300, '\0');
        uLongf size = uLongf(profile.size());
        const QByteArray iccp = PngChunkData(png, "iCCP");
        QCOMPARE(iccp.left(13), QByteArray("ICC profile\0\0", 13));
        QCOMPARE(uncompress(reinterpret_cast<Bytef*>(profile.data()), &size,
                            reinterpret_cast<const Bytef*>(iccp.constData() + 13),
                            uLong(iccp.size() - 13)),
                 Z_OK);
        QCOMPARE(profile, QByteArray(300, 'p'));
        QCOMPARE(QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32), picture_);
    }

    void NotAPng_Should_GiveNothing() {
        QVERIFY(WithPngChunks(QByteArray("GIF89a...."), {ExifChunk("x")}).isEmpty());
        QVERIFY(WithPngChunks(QByteArray(), {ExifChunk("x")}).isEmpty());
        QVERIFY(PngChunkData(QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11), "IHDR").isEmpty());
    }
};

QTEST_GUILESS_MAIN(PngChunksTest)
#include "PngChunksTest.moc"
