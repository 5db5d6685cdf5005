#include <QBuffer>
#include <QColorSpace>
#include <QtTest>
#include <cmath>

#include "picture/JpegFile.h"
#include "picture/Orientation.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"
#include "picture/PngChunks.h"
#include "support/SharedPhotos.h"
#include "support/TaggedPhotos.h"

using namespace TaggedPhotos;

Q_DECLARE_METATYPE(TaggedPhotos::Encoding)

namespace {

struct Saved {
    QByteArray bytes;
    QString error;
    WriteReport report;
};

Saved Save(const QImage& picture, const QByteArray& source,
           PictureFormat format = PictureFormat::Jpeg) {
    Saved saved;
    QBuffer buffer(&saved.bytes);
    buffer.open(QIODevice::WriteOnly);
    saved.error = WritePicture(picture, format, buffer, {}, WriteSource{{}, source}, &saved.report);
    return saved;
}

// The source as the editor shows it, with `box` painted over as a removal would.
QImage Edited(const QByteArray& source, const QRect& box) {
    return PaintedOver(DecodePicture(source).image, box);
}

double Psnr(const QImage& a, const QImage& b, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += d * d;
        }
    const double mse = sum / (3.0 * area.width() * area.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

Encoding Layout(int h, int v, bool progressive = false,
                Encoding::Colours colours = Encoding::Colours::Colour, int restartRows = 0) {
    Encoding e;
    e.hSampling = h;
    e.vSampling = v;
    e.progressive = progressive;
    e.colours = colours;
    e.restartRows = restartRows;
    e.iccProfile = IccProfile(colours == Encoding::Colours::Grey ? "GRAY" : "RGB ");
    return e;
}

}  // namespace

class SourceWriterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_SHARED_PHOTO(QStringLiteral("coffee.jpg")); }

    // A JPEG saved over a JPEG source of its size: only the MCUs holding a changed pixel are
    // new, everything else is the source's, coefficient for coefficient, and so pixel for pixel
    // beyond the one MCU that smooth colour upsampling reaches over.
    void KeptBlocks_Should_ChangeOnlyTheEditedMcus_data() {
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QRect>("box");  // upright
        const QSize photo(600, 400), odd(590, 395);
        QTest::newRow("4:4:4") << Layout(1, 1) << photo << 1 << QRect(100, 80, 37, 21);
        QTest::newRow("4:2:0") << Layout(2, 2) << photo << 1 << QRect(100, 80, 37, 21);
        QTest::newRow("4:2:2, restarts")
            << Layout(2, 1, false, {}, 2) << photo << 1 << QRect(301, 7, 90, 30);
        QTest::newRow("4:2:0 progressive")
            << Layout(2, 2, true) << photo << 1 << QRect(467, 358, 119, 29);
        QTest::newRow("grey") << Layout(1, 1, false, Encoding::Colours::Grey) << photo << 1
                              << QRect(10, 10, 30, 30);
        QTest::newRow("turned 6") << Layout(2, 2) << photo << 6 << QRect(40, 500, 60, 25);
        QTest::newRow("turned 8, progressive")
            << Layout(2, 2, true) << photo << 8 << QRect(300, 20, 50, 50);
        QTest::newRow("mirrored and turned 5")
            << Layout(2, 1) << photo << 5 << QRect(17, 33, 20, 9);
        QTest::newRow("edge MCUs cut short") << Layout(2, 2) << odd << 1 << QRect(570, 380, 20, 15);
        QTest::newRow("nothing changed") << Layout(2, 2, true) << photo << 1 << QRect();
    }
    void KeptBlocks_Should_ChangeOnlyTheEditedMcus() {
        QFETCH(Encoding, encoding);
        QFETCH(QSize, size);
        QFETCH(int, orientation);
        QFETCH(QRect, box);
        const QByteArray source =
            WithCameraMetadata(Jpeg(Photo(size.width(), size.height()), encoding), orientation);
        const QImageIOHandler::Transformations turn = TurnOfExifOrientation(orientation);
        const QImage picture = Edited(source, box);

        const Saved saved = Save(picture, source);

        QVERIFY2(saved.error.isEmpty(), qPrintable(saved.error));
        QVERIFY(saved.report.blocksKept);
        const Coefficients before = CoefficientsOf(source), after = CoefficientsOf(saved.bytes);
        QCOMPARE(after.progressive, encoding.progressive);
        const QRect stored = StoredBox(box, picture.size(), turn);
        QCOMPARE(BlocksChangedOutside(before, after, stored), 0);  // same tables, same blocks
        const QRect units =
            stored.isEmpty() ? QRect() : UnitsAround(stored, before.unitWidth, before.unitHeight);
        QCOMPARE(saved.report.rewritten,
                 units.width() / before.unitWidth * (units.height() / before.unitHeight));
        QCOMPARE(saved.report.units,
                 (size.width() + before.unitWidth - 1) / before.unitWidth *
                     ((size.height() + before.unitHeight - 1) / before.unitHeight));
        const QImage was = StoredPixels(source), now = StoredPixels(saved.bytes);
        const QRect reach = stored.isEmpty()
                                ? QRect()
                                : UnitsAround(stored, before.unitWidth, before.unitHeight, 1);
        QCOMPARE(PixelsChangedOutside(was, now, reach), 0);
        if (!box.isEmpty()) {
            QVERIFY(BlocksChangedOutside(before, after, QRect()) > 0);  // the edit went in
            const QImage shown = DecodePicture(saved.bytes).image;
            const QRect inside = box.adjusted(2, 2, -2, -2);  // colour bleeds in at the edge
            QVERIFY2(Psnr(shown, picture, inside) > 34,
                     qPrintable(QString::number(Psnr(shown, picture, inside))));
        }

        QCOMPARE(ReadJpegIccProfile(saved.bytes), encoding.iccProfile);
        const QMap<QString, QString> metadata = MetadataOf(saved.bytes);
        QCOMPARE(metadata, KeptMetadata(source, was.size(), false));
        for (const QString& key : CameraKeys()) QVERIFY2(metadata.contains(key), qPrintable(key));
        // One preview is left, the thumbnail, made from the result: the red ones are gone.
        const QList<QImage> previews = PreviewsOf(saved.bytes);
        QCOMPARE(previews.size(), 1);
        QCOMPARE(qMax(previews[0].width(), previews[0].height()), 160);
        const QImage small =
            now.scaled(previews[0].size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(Psnr(previews[0].convertToFormat(QImage::Format_RGB32), small, small.rect()) > 25);
    }

    // Any other size, or colours the source cannot hold, is encoded whole: upright at full
    // colour resolution, the orientation tag set to normal, the metadata kept, and the ICC
    // profile only while it describes the colours written.
    void WholeEncode_Should_KeepMetadataAndSetOrientationNormal_data() {
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("shown");  // the picture handed over, when not the source's size
        QTest::addColumn<QRgb>("paint");   // painted over a corner
        QTest::addColumn<bool>("iccKept");
        Encoding cmyk = Layout(1, 1, false, Encoding::Colours::Cmyk);
        cmyk.iccProfile = IccProfile("CMYK");
        const QRgb green = qRgb(0, 255, 0), grey = qRgb(90, 90, 90);
        QTest::newRow("reduced, turned 6") << Layout(2, 2) << 6 << QSize(487, 380) << grey << true;
        QTest::newRow("CMYK") << cmyk << 1 << QSize() << grey << false;
        QTest::newRow("grey with marks")
            << Layout(1, 1, false, Encoding::Colours::Grey) << 1 << QSize() << green << false;
    }
    void WholeEncode_Should_KeepMetadataAndSetOrientationNormal() {
        QFETCH(Encoding, encoding);
        QFETCH(int, orientation);
        QFETCH(QSize, shown);
        QFETCH(QRgb, paint);
        QFETCH(bool, iccKept);
        const QByteArray source = WithCameraMetadata(Jpeg(Photo(), encoding), orientation);
        QImage picture = DecodePicture(source).image.convertToFormat(QImage::Format_RGB32);
        if (shown.isValid()) picture = picture.scaled(shown);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) picture.setPixel(x, y, paint);

        const Saved saved = Save(picture, source);

        QVERIFY2(saved.error.isEmpty(), qPrintable(saved.error));
        QVERIFY(!saved.report.blocksKept);
        const Coefficients after = CoefficientsOf(saved.bytes);
        QCOMPARE(after.components.size(), std::size_t(3));
        QCOMPARE(after.unitWidth * after.unitHeight, 64);                        // 4:4:4
        QVERIFY(Psnr(StoredPixels(saved.bytes), picture, picture.rect()) > 38);  // upright, q95
        QCOMPARE(ReadJpegIccProfile(saved.bytes), iccKept ? encoding.iccProfile : QByteArray());
        QCOMPARE(saved.report.iccProfile, iccKept);
        QCOMPARE(MetadataOf(saved.bytes), KeptMetadata(source, picture.size(), true));
        QCOMPARE(PreviewsOf(saved.bytes).size(), 1);
    }

    // A PNG result carries the profile, the EXIF and the XMP in its own chunks, and a PNG source
    // hands them on again.
    void PngResult_Should_CarryIccExifAndXmp() {
        const QByteArray jpeg = WithCameraMetadata(Jpeg(Photo(), Layout(2, 2)), 6);
        const QImage picture = Edited(jpeg, QRect(5, 5, 40, 40));
        const Saved png = Save(picture, jpeg, PictureFormat::Png);
        QVERIFY2(png.error.isEmpty(), qPrintable(png.error));
        const Saved again = Save(picture, png.bytes, PictureFormat::Png);
        QVERIFY2(again.error.isEmpty(), qPrintable(again.error));
        QMap<QString, QString> expected = KeptMetadata(jpeg, picture.size(), true);
        expected.removeIf([](const auto& item) {  // PNG has no place for these
            return item.key() == QStringLiteral("Comment") || item.key().startsWith("Iptc.");
        });
        for (const QByteArray& bytes : {png.bytes, again.bytes}) {
            QImage back = QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
            back.setColorSpace(QColorSpace());  // pixels only: the profile is checked next
            QCOMPARE(back, picture);
            QCOMPARE(IccOf(bytes), IccProfile("RGB "));
            QCOMPARE(MetadataOf(bytes), expected);
            QCOMPARE(PngChunkData(bytes, "iTXt").count("XML:com.adobe.xmp"), 1);
            QCOMPARE(PngChunkData(bytes, "iCCP").isEmpty(), false);
        }
    }

    // Damaged metadata never stops a save: the result is written with what could be read.
    void DamagedMetadata_Should_StillSave_data() {
        QTest::addColumn<QByteArray>("damage");  // what is done to the EXIF segment
        QTest::addColumn<QStringList>("kept");
        const QStringList xmpAndIptc = {QStringLiteral("Xmp.dc.title"),
                                        QStringLiteral("Iptc.Application2.Caption")};
        QTest::newRow("EXIF cut short") << QByteArray("cut") << xmpAndIptc;
        QTest::newRow("directory far outside") << QByteArray("offset") << xmpAndIptc;
        QTest::newRow("maker note overwritten")
            << QByteArray("makernote") << QStringList{QStringLiteral("Exif.Image.Make")};
        QTest::newRow("XMP not XML")
            << QByteArray("xmp") << QStringList{QStringLiteral("Exif.Photo.DateTimeOriginal")};
        QTest::newRow("orientation 9")
            << QByteArray("orientation") << QStringList{QStringLiteral("Exif.GPSInfo.GPSLatitude")};
    }
    void DamagedMetadata_Should_StillSave() {
        QFETCH(QByteArray, damage);
        QFETCH(QStringList, kept);
        QByteArray source =
            WithCameraMetadata(Jpeg(Photo(), Layout(2, 2)), damage == "orientation" ? 9 : 1);
        const qsizetype tiff = source.indexOf(QByteArray("Exif\0\0", 6)) + 6;
        const qsizetype xmp = source.indexOf("<x:xmpmeta");
        if (damage == "cut") source.replace(tiff + 60, 400, QByteArray(400, '\xee'));
        if (damage == "offset") source.replace(tiff + 4, 4, QByteArray("\x7f\xff\xff\xf0", 4));
        if (damage == "makernote") {
            const qsizetype note = source.indexOf(QByteArray("Nikon\0", 6));
            source.replace(note + 10, 60, QByteArray(60, '\x81'));
        }
        if (damage == "xmp") source.replace(xmp, 30, QByteArray(30, '<'));
        const QImage picture = Edited(source, QRect(50, 50, 20, 20));

        const Saved saved = Save(picture, source);

        QVERIFY2(saved.error.isEmpty(), qPrintable(saved.error));
        QCOMPARE(DecodePicture(saved.bytes).image.size(), picture.size());
        const QMap<QString, QString> metadata = MetadataOf(saved.bytes);
        for (const QString& key : kept) QVERIFY2(metadata.contains(key), qPrintable(key));
        if (damage == "orientation") {  // the reader does not turn by it: stored upright
            QVERIFY(!saved.report.blocksKept);
            QCOMPARE(metadata.value(QStringLiteral("Exif.Image.Orientation")), QStringLiteral("1"));
        }
    }

    // The metadata fuzzer's seeds, kept as cases: each saves as a JPEG and a PNG with itself as
    // the source, and a JPEG keeps its blocks.
    void FuzzSeeds_Should_SaveWithThemselvesAsSource() {
        const QDir seeds(qEnvironmentVariable("BRISVANE_SOURCE_DIR") +
                         QStringLiteral("/fuzz/seeds/metadata"));
        const QStringList names = seeds.entryList(QDir::Files);
        QVERIFY(names.size() >= 4);
        for (const QString& name : names) {
            const QByteArray source = ReadFile(seeds.filePath(name));
            const QImage picture = DecodePicture(source).image;
            QVERIFY2(!picture.isNull(), qPrintable(name));
            for (const PictureFormat format : {PictureFormat::Jpeg, PictureFormat::Png}) {
                const Saved saved = Save(picture, source, format);
                QVERIFY2(saved.error.isEmpty(), qPrintable(name + saved.error));
                QCOMPARE(DecodePicture(saved.bytes).image.size(), picture.size());
                if (format == PictureFormat::Jpeg && name.startsWith(QStringLiteral("tagged-")))
                    QVERIFY2(saved.report.blocksKept, qPrintable(name));
            }
        }
    }
};

QTEST_GUILESS_MAIN(SourceWriterTest)
#include "SourceWriterTest.moc"
