#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include "picture/PictureFile.h"
#include "support/BadPictures.h"

Q_DECLARE_METATYPE(BadPictures::Case)

class PictureFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QList<BadPictures::Case> cases_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() { cases_ = BadPictures::Make(dir_.path()); }

    void EveryCase_Should_OpenUprightOrBeRefusedWithItsReason_data() {
        QTest::addColumn<BadPictures::Case>("c");
        for (const auto& c : cases_) QTest::newRow(qPrintable(c.name)) << c;
    }
    void EveryCase_Should_OpenUprightOrBeRefusedWithItsReason() {
        QFETCH(BadPictures::Case, c);
        const PictureRead read = ReadPicture(Path(c.name));
        if (c.opens) {
            QVERIFY2(!read.image.isNull(), qPrintable(read.problem));
            QCOMPARE(read.image.size(), c.size);
            QVERIFY(read.problem.isEmpty());
        } else {
            QVERIFY(read.image.isNull());
            QVERIFY2(read.problem.contains(c.problem), qPrintable(read.problem));
        }
    }

    void MissingFileOrFolder_Should_BeRefused() {
        QCOMPARE(ReadPicture(Path(QStringLiteral("no such.jpg"))).problem,
                 QStringLiteral("the file does not exist"));
        QCOMPARE(ReadPicture(dir_.path()).problem, QStringLiteral("it is not a file"));
    }

    void JpegOfThousandsOfScans_Should_BeRefusedUndecoded() {
        QByteArray progressive;
        QBuffer buffer(&progressive);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QVERIFY(writer.write(BadPictures::Photo(64, 48)));
        const int scans = JpegScanCount(progressive);
        QVERIFY(scans > 1 && scans <= MaxJpegScans);
        QVERIFY(!DecodePicture(progressive).image.isNull());
        // The last scan again and again: each one would be one more pass over the picture.
        const qsizetype last = progressive.lastIndexOf(QByteArrayLiteral("\xFF\xDA"));
        const QByteArray scan = progressive.mid(last, progressive.size() - 2 - last);
        QByteArray bomb = progressive.left(progressive.size() - 2);
        for (int i = 0; i < 5000; ++i) bomb += scan;
        bomb += QByteArrayLiteral("\xFF\xD9");
        QCOMPARE(JpegScanCount(bomb), scans + 5000);
        QVERIFY(DecodePicture(bomb).problem.contains(QStringLiteral("up to 100 scans")));
    }

    void FileOverAGigabyte_Should_BeRefusedUnread() {
        const QString path = Path(QStringLiteral("video.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(BadPictures::Encoded(BadPictures::Photo(8, 8), "jpeg"));
        QVERIFY(file.resize(MaxPictureFileBytes + 1));  // sparse: no disk space taken
        file.close();
        QVERIFY(
            ReadPicture(path).problem.contains(QStringLiteral("picture files of up to 1024 MB")));
        QFile::remove(path);
    }

    // The fuzzers' seeds, kept as cases: every one decodes or is refused with a reason.
    void FuzzSeeds_Should_DecodeOrBeRefusedWithAReason() {
        const QDir seeds(qEnvironmentVariable("BRISVANE_SOURCE_DIR") +
                         QStringLiteral("/fuzz/seeds/picture-read"));
        const QStringList names = seeds.entryList(QDir::Files);
        QVERIFY(names.size() >= 10);
        for (const QString& name : names) {
            QFile file(seeds.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const PictureRead read = DecodePicture(file.readAll());
            QVERIFY2(read.image.isNull() != read.problem.isEmpty(), qPrintable(name));
        }
        QFile bomb(seeds.filePath(QStringLiteral("bomb.png")));
        QVERIFY(bomb.open(QIODevice::ReadOnly));
        QVERIFY(DecodePicture(bomb.readAll()).problem.contains(QStringLiteral("60000 x 60000")));
    }

    void ExifTurnedJpeg_Should_ComeUpright() {
        const QImage upright = ReadPicture(Path(QStringLiteral("exif-rotated.jpg"))).image;
        QCOMPARE(upright.size(), QSize(20, 40));
        QVERIFY(qRed(upright.pixel(10, 5)) > 180 && qBlue(upright.pixel(10, 5)) < 60);  // red above
        QVERIFY(qBlue(upright.pixel(10, 35)) > 180 &&
                qRed(upright.pixel(10, 35)) < 60);  // blue below
    }

    void CmykJpeg_Should_ReadAsCyanAndWhite() {
        const QImage image = ReadPicture(Path(QStringLiteral("cmyk.jpg"))).image;
        const QRgb ink = image.pixel(4, 0), none = image.pixel(28, 0);
        QVERIFY(qRed(ink) < 80 && qGreen(ink) > 180 && qBlue(ink) > 180);
        QVERIFY(qRed(none) > 220 && qGreen(none) > 220 && qBlue(none) > 220);
    }

    void HugePhoto_Should_OpenAndOneJustOverTheLimit_Should_BeRefused() {
        const QImage huge = ReadPicture(BadPictures::Huge(dir_.path())).image;
        QCOMPARE(huge.size(), QSize(9248, 6944));
        const QString over = Path(QStringLiteral("over.png"));
        BadPictures::Write(over, BadPictures::PngHeaderOnly(10001, 10000));
        QVERIFY(ReadPicture(over).problem.contains(QStringLiteral("up to 100 million pixels")));
    }

    void ContentLost_Should_NameLaterFramesAndTransparency() {
        QCOMPARE(ContentLostByReplacing(Path(QStringLiteral("animated.gif"))),
                 QStringList{QStringLiteral("its 2 later animation frames")});
        QCOMPARE(ContentLostByReplacing(Path(QStringLiteral("alpha.png"))),
                 QStringList{QStringLiteral("its transparency")});
        for (const char* whole : {"plain.gif", "grey.png", "palette.bmp", "exif-rotated.jpg",
                                  "text.jpg", "missing.png"})
            QVERIFY2(ContentLostByReplacing(Path(QLatin1String(whole))).isEmpty(), whole);
        // An alpha channel that is opaque everywhere loses nothing.
        const QString opaque = Path(QStringLiteral("opaque-alpha.png"));
        QVERIFY(BadPictures::Photo(8, 8).convertToFormat(QImage::Format_ARGB32).save(opaque));
        QVERIFY(ContentLostByReplacing(opaque).isEmpty());
    }

    // Pictures of 2 MiB and more are decoded into memory of our own: every pixel as Qt reads it.
    void EveryFormatAndSize_Should_DecodeAsQtReadsIt() {
        for (const QSize size : {QSize(37, 23), QSize(801, 700)}) {
            const QImage photo = BadPictures::Photo(size.width(), size.height());
            const QImage grey = photo.convertToFormat(QImage::Format_Grayscale8);
            const struct {
                const char* name;
                QImage image;
                const char* format;
            } rows[] = {
                {"jpeg", photo, "jpeg"},
                {"grey jpeg", grey, "jpeg"},
                {"png", photo, "png"},
                {"alpha png", photo.convertToFormat(QImage::Format_ARGB32), "png"},
                {"grey png", grey, "png"},
                {"16-bit png", photo.convertToFormat(QImage::Format_RGBA64), "png"},
                {"palette png", photo.convertToFormat(QImage::Format_Indexed8), "png"},
                {"ppm", photo, "ppm"},
                {"pgm", grey, "pgm"},
                {"bmp", photo, "bmp"},
            };
            for (const auto& row : rows) {
                const QByteArray data = BadPictures::Encoded(row.image, row.format);
                const QImage read = DecodePicture(data).image;
                const QString what = QStringLiteral("%1 %2").arg(row.name).arg(size.width());
                QVERIFY2(!read.isNull(), qPrintable(what));
                QVERIFY2(read == QImage::fromData(data), qPrintable(what));
            }
        }
    }

    void EndChecks_Should_AcceptWholeFilesAndRefuseEveryCut() {
        const QByteArray jpeg = BadPictures::Encoded(BadPictures::Photo(40, 30), "jpeg");
        const QByteArray gif = BadPictures::Gif(40, 30, 2);
        QVERIFY(JpegDataIsComplete(jpeg));
        QVERIFY(JpegDataIsComplete(jpeg + "trailing bytes a camera added"));
        QVERIFY(GifDataIsComplete(gif));
        for (qsizetype cut = 0; cut < jpeg.size(); ++cut)
            QVERIFY(!JpegDataIsComplete(jpeg.left(cut)));
        for (qsizetype cut = 0; cut < gif.size(); ++cut) QVERIFY(!GifDataIsComplete(gif.left(cut)));
    }
};

QTEST_GUILESS_MAIN(PictureFileTest)
#include "PictureFileTest.moc"
