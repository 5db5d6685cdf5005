#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "output/OutputTestSupport.h"
#include "picture/PictureFile.h"
#include "support/SharedPhotos.h"
#include "support/TaggedPhotos.h"

using namespace OutputTest;

namespace {
struct Run {
    int exitCode = -1;
    QString errorOutput;
};

Run Convert(const QStringList& arguments) {
    QProcess process;
    process.start(RealConverter(), arguments);
    process.waitForFinished(60000);
    return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               QString::fromLocal8Bit(process.readAllStandardError())};
}

QStringList JpegLine(const QString& target, const QString& input) {
    return {QStringLiteral("-out"),
            QStringLiteral("jpeg"),
            QStringLiteral("-truecolors"),
            QStringLiteral("-o"),
            target,
            input};
}
QStringList GifLine(const QString& target, const QString& input) {
    return {QStringLiteral("-out"),
            QStringLiteral("gif"),
            QStringLiteral("-dither"),
            QStringLiteral("-colors"),
            QStringLiteral("256"),
            QStringLiteral("-o"),
            target,
            input};
}
QStringList PngLine(const QString& target, const QString& input) {
    return {QStringLiteral("-out"), QStringLiteral("png"), QStringLiteral("-o"), target, input};
}

QImage ReadBack(const QString& path, const QByteArray& expectedFormat) {
    QImageReader reader(path);
    if (reader.format() != expectedFormat) return {};
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

int DistinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Dithering keeps the local mean colour: compare the means of 8 x 8 blocks.
double BlockMeanError(const QImage& a, const QImage& b) {
    double sum = 0;
    int blocks = 0;
    for (int by = 0; by + 8 <= a.height(); by += 8)
        for (int bx = 0; bx + 8 <= a.width(); bx += 8, ++blocks)
            for (int k = 0; k < 3; ++k) {
                int sa = 0, sb = 0;
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) {
                        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                        sa += k == 0 ? qRed(p) : k == 1 ? qGreen(p) : qBlue(p);
                        sb += k == 0 ? qRed(q) : k == 1 ? qGreen(q) : qBlue(q);
                    }
                sum += std::abs(sa - sb) / 64.0;
            }
    return sum / (3.0 * blocks);
}

double MeanAbsError(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}
}  // namespace

class ConverterTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString bitmap_;
    QImage picture_ = TestPicture(173, 97);

    QString Path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QFileInfo(RealConverter()).isExecutable());
        bitmap_ = Path(QStringLiteral("in put.bmp"));
        QVERIFY(picture_.save(bitmap_, "BMP"));
    }

    void JpegLine_Should_WriteAFaithfulJpeg() {
        const QString target = Path(QStringLiteral("out.jpg"));
        const Run run = Convert(JpegLine(target, bitmap_));
        QCOMPARE(run.exitCode, 0);
        const QImage back = ReadBack(target, "jpeg");
        QCOMPARE(back.size(), picture_.size());
        const double psnr = Psnr(picture_, back, [](int, int) { return true; });
        QVERIFY2(psnr > 40, qPrintable(QString::number(psnr)));
    }

    void PngLine_Should_WriteTheSamePixels() {
        const QString target = Path(QStringLiteral("out.png"));
        QCOMPARE(Convert(PngLine(target, bitmap_)).exitCode, 0);
        QCOMPARE(ReadBack(target, "png"), picture_);
    }

    void GifLine_Should_WriteAtMost256Colours() {
        const QString target = Path(QStringLiteral("out.gif"));
        QVERIFY(DistinctColours(picture_) > 256);
        QCOMPARE(Convert(GifLine(target, bitmap_)).exitCode, 0);
        const QImage back = ReadBack(target, "gif");
        QCOMPARE(back.size(), picture_.size());
        QVERIFY(DistinctColours(back) <= 256);
        QVERIFY2(BlockMeanError(picture_, back) < 3,
                 qPrintable(QString::number(BlockMeanError(picture_, back))));
    }

    void Dither_Should_KeepLocalColoursBetterThanPlainMapping() {
        const QString dithered = Path(QStringLiteral("dithered.gif")),
                      plain = Path(QStringLiteral("plain.gif"));
        QCOMPARE(Convert(GifLine(dithered, bitmap_)).exitCode, 0);
        QCOMPARE(Convert({QStringLiteral("-out"), QStringLiteral("gif"), QStringLiteral("-colors"),
                          QStringLiteral("256"), QStringLiteral("-o"), plain, bitmap_})
                     .exitCode,
                 0);
        QVERIFY(BlockMeanError(picture_, ReadBack(dithered, "gif")) <
                BlockMeanError(picture_, ReadBack(plain, "gif")));
    }

    // A palette computed from the picture fits a narrow range of colours far better than a
    // fixed colour cube, whose steps are about 50 levels apart.
    void GifPalette_Should_FollowThePicturesColours() {
        QImage browns(200, 150, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < browns.height(); ++y)
            for (int x = 0; x < browns.width(); ++x)
                browns.setPixel(x, y,
                                qRgb(100 + random.bounded(40), 60 + random.bounded(20),
                                     20 + random.bounded(15)));
        const QString input = Path(QStringLiteral("browns.bmp")),
                      target = Path(QStringLiteral("browns.gif"));
        QVERIFY(browns.save(input, "BMP"));
        QCOMPARE(Convert(GifLine(target, input)).exitCode, 0);
        const QImage back = ReadBack(target, "gif");
        QVERIFY(DistinctColours(back) > 64);
        QVERIFY2(MeanAbsError(browns, back) < 4,
                 qPrintable(QString::number(MeanAbsError(browns, back))));
        QVERIFY2(BlockMeanError(browns, back) < 1.5,
                 qPrintable(QString::number(BlockMeanError(browns, back))));
    }

    void GifLine_Should_KeepFewColoursExactly() {
        QImage flat(64, 48, QImage::Format_RGB32);
        flat.fill(qRgb(12, 200, 99));
        for (int x = 0; x < 64; ++x) flat.setPixel(x, x % 48, qRgb(0, 255, 0));
        const QString input = Path(QStringLiteral("flat.bmp")),
                      target = Path(QStringLiteral("flat.gif"));
        QVERIFY(flat.save(input, "BMP"));
        QCOMPARE(Convert(GifLine(target, input)).exitCode, 0);
        QCOMPARE(ReadBack(target, "gif"), flat);
    }

    void Converter_Should_HandleAwkwardNames() {
        const QString folder = Path(QStringLiteral("it's a \"folder\" $HOME ü"));
        QVERIFY(QDir().mkpath(folder));
        const QString input = folder + QStringLiteral("/-in put'.bmp"),
                      target = folder + QStringLiteral("/ \"x\" $1.png");
        QVERIFY(QFile::copy(bitmap_, input));
        QCOMPARE(Convert(PngLine(target, input)).exitCode, 0);
        QCOMPARE(ReadBack(target, "png").size(), picture_.size());
    }

    void UnreadableInput_Should_FailAndLeaveNoTarget() {
        const QString input = Path(QStringLiteral("not a picture.bmp")),
                      target = Path(QStringLiteral("never.jpg"));
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("hello");
        file.close();
        const Run run = Convert(JpegLine(target, input));
        QVERIFY(run.exitCode != 0);
        QVERIFY(run.errorOutput.contains(QStringLiteral("not a picture.bmp")));
        QVERIFY(!QFile::exists(target));
    }

    void FailedRun_Should_LeaveAnExistingTargetUntouched() {
        const QString target = Path(QStringLiteral("kept.png"));
        QVERIFY(picture_.save(target, "PNG"));
        const QByteArray before = FileHash(target);
        QVERIFY(Convert(PngLine(target, Path(QStringLiteral("missing.bmp")))).exitCode != 0);
        QCOMPARE(FileHash(target), before);
    }

    void BadCommandLines_Should_FailWithAMessage() {
        const QString target = Path(QStringLiteral("bad.png"));
        const QList<QStringList> lines = {
            {},
            {QStringLiteral("-out"), QStringLiteral("tiff"), QStringLiteral("-o"), target, bitmap_},
            {QStringLiteral("-out"), QStringLiteral("png"), bitmap_},
            {QStringLiteral("-out"), QStringLiteral("gif"), QStringLiteral("-colors"),
             QStringLiteral("999"), QStringLiteral("-o"), target, bitmap_},
            {QStringLiteral("-out"), QStringLiteral("png"), QStringLiteral("-bogus"),
             QStringLiteral("-o"), target, bitmap_},
            {QStringLiteral("-out"), QStringLiteral("png"), QStringLiteral("-o"), target,
             QStringLiteral("-source"), bitmap_},
            {QStringLiteral("-out"), QStringLiteral("png"), QStringLiteral("-source"), QString(),
             QStringLiteral("-o"), target, bitmap_},
        };
        for (const QStringList& line : lines) {
            const Run run = Convert(line);
            QVERIFY2(run.exitCode > 0, qPrintable(line.join(QLatin1Char(' '))));
            QVERIFY(!run.errorOutput.isEmpty());
        }
        QVERIFY(!QFile::exists(target));
    }

    // -source names the photo the bitmap's pixels came from, whose metadata the JPEG keeps; a
    // source that cannot be read only costs the metadata, never the picture.
    void SourceOption_Should_KeepThePhotosMetadata() {
        REQUIRE_SHARED_PHOTO(QStringLiteral("coffee.jpg"));
        const QByteArray photo = TaggedPhotos::WithCameraMetadata(
            TaggedPhotos::Jpeg(TaggedPhotos::Photo(), TaggedPhotos::Encoding{}));
        const QString source = Path(QStringLiteral("IMG 1.JPG")),
                      input = Path(QStringLiteral("e.bmp"));
        TaggedPhotos::WriteFile(source, photo);
        QVERIFY(ReadPicture(source).image.save(input, "BMP"));
        for (const QString& from : {source, Path(QStringLiteral("gone.jpg"))}) {
            const QString target = Path(QStringLiteral("kept.jpg"));
            QCOMPARE(Convert(QStringList{QStringLiteral("-source"), from} + JpegLine(target, input))
                         .exitCode,
                     0);
            const QByteArray result = TaggedPhotos::ReadFile(target);
            QCOMPARE(TaggedPhotos::MetadataOf(result).isEmpty(), from != source);
            if (from == source)
                QCOMPARE(TaggedPhotos::MetadataOf(result),
                         TaggedPhotos::KeptMetadata(photo, QSize(600, 400), false));
            QCOMPARE(ReadBack(target, "jpeg").size(), QSize(600, 400));
        }
    }
};

QTEST_MAIN(ConverterTest)
#include "ConverterTest.moc"
