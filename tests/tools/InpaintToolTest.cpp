#include <QtTest>

#include <functional>

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include "common/FoundImprints.h"
#include "inpaint/MarkerColor.h"
#include "inpaint/MemoryPicture.h"
#include "inpaint/fine/FineFill.h"
#include "inpaint/reference/ReferenceEngine.h"
#include "support/SharedPhotos.h"
#include "support/TaggedPhotos.h"
#include "tools/FoundImprints.h"
#include "tools/ToolOptions.h"

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result RunTool(const QStringList& args) {
    QProcess process;
    process.start(
        qEnvironmentVariable("BRISVANE_PROGRAM_DIR") + QStringLiteral("/brisvane-inpaint"), args);
    if (!process.waitForFinished(120000)) return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// A picture with texture and an edge, so that a fill has real choices to make.
QImage TexturedImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    quint32 state = 99;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = int((state >> 16) & 15u);
            const int base = x < w / 2 ? 60 : 190;
            image.setPixel(x, y, qRgb(base + noise, (base / 2 + y + noise) % 256, 255 - base));
        }
    return image;
}

// A fill run in this process on the same picture with the rectangle marked.
QImage FilledInProcess(const QImage& image, const QRect& box,
                       const std::function<void(inpaint::MemoryPicture&)>& fill) {
    const int w = image.width(), h = image.height();
    inpaint::MemoryPicture picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.At(x, y) = box.contains(x, y) ? inpaint::kOpaqueMarkerPixel : image.pixel(x, y);
    fill(picture);
    QImage result(w, h, image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) result.setPixel(x, y, picture.At(x, y));
    return result;
}

QImage FilledInProcess(const QImage& image, const QRect& box, int block, int border) {
    return FilledInProcess(image, box, [&](inpaint::MemoryPicture& picture) {
        inpaint::InpaintOptions options;
        options.blockRadius = block;
        options.scanBorder = border;
        inpaint::reference::InpaintPicture(picture, picture, options);
    });
}

QImage Rgb32(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class InpaintToolTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString in;

    QString Path(const QString& name) const { return dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        in = Path(QStringLiteral("in.png"));
        QVERIFY(TexturedImage(64, 48).save(in));
    }

    void Box_Should_FillLikeTheEngineAndTraceEveryStep() {
        const QString out = Path(QStringLiteral("box.png"));
        const Result r =
            RunTool({QStringLiteral("--block"), QStringLiteral("3"), QStringLiteral("--box"),
                     QStringLiteral("20,15,14,9"), QStringLiteral("--trace"), in, out});
        QCOMPARE(r.code, 0);
        QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.last().startsWith(QStringLiteral("steps ")));
        const int steps = lines.takeLast().mid(6).toInt();
        QVERIFY(steps > 1);
        QCOMPARE(lines.size(), steps);
        for (const QString& line : lines) QCOMPARE(line.split(QLatin1Char(' ')).size(), 4);
        QCOMPARE(Rgb32(out), FilledInProcess(QImage(in), QRect(20, 15, 14, 9), 3, 10));
    }

    void Fine_Should_FillLikeTheFinerFillAndCountThePixels() {
        const QString out = Path(QStringLiteral("fine.png"));
        const Result r =
            RunTool({QStringLiteral("--fine"), QStringLiteral("--border"), QStringLiteral("16"),
                     QStringLiteral("--box"), QStringLiteral("20,15,14,9"), in, out});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("filled %1\n").arg(14 * 9));
        const QImage expected =
            FilledInProcess(QImage(in), QRect(20, 15, 14, 9), [](inpaint::MemoryPicture& p) {
                inpaint::fine::FineOptions options;
                options.scanBorder = 16;
                inpaint::fine::InpaintPicture(p, p, options);
            });
        QCOMPARE(Rgb32(out), expected);
        QVERIFY(Rgb32(out) != FilledInProcess(QImage(in), QRect(20, 15, 14, 9), 4, 16));
    }

    void Mask_Should_MarkItsWhitePixels() {
        QImage mask(64, 48, QImage::Format_RGB32);
        mask.fill(Qt::black);
        for (int y = 10; y < 20; ++y)
            for (int x = 5; x < 17; ++x) mask.setPixel(x, y, qRgb(250, 250, 250));
        const QString maskFile = Path(QStringLiteral("mask.png"));
        QVERIFY(mask.save(maskFile));
        const QString out = Path(QStringLiteral("mask-out.bmp"));
        const Result r = RunTool({QStringLiteral("--mask"), maskFile, QStringLiteral("--border"),
                                  QStringLiteral("20"), in, out});
        QCOMPARE(r.code, 0);
        QCOMPARE(Rgb32(out), FilledInProcess(QImage(in), QRect(5, 10, 12, 10), 4, 20));
    }

    void Alpha_Should_TravelWithEachPixel() {
        QImage picture = TexturedImage(64, 48).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                picture.setPixel(x, y,
                                 (picture.pixel(x, y) & 0x00ffffffu) | (quint32(128 + x) << 24));
        const QString alphaIn = Path(QStringLiteral("alpha.png"));
        const QString out = Path(QStringLiteral("alpha-out.png"));
        QVERIFY(picture.save(alphaIn));
        QCOMPARE(RunTool({QStringLiteral("--box"), QStringLiteral("30,20,6,6"), alphaIn, out}).code,
                 0);
        const QImage expected = FilledInProcess(picture, QRect(30, 20, 6, 6), 4, 10);
        const QImage result = QImage(out).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) QCOMPARE(result.pixel(x, y), expected.pixel(x, y));
    }

    void Output_Should_FollowTheExtension() {
        for (const char* ext : {"ppm", "jpg", "gif"}) {
            const QString out = Path(QStringLiteral("format.") + QLatin1String(ext));
            QCOMPARE(RunTool({QStringLiteral("--box"), QStringLiteral("2,2,4,4"), in, out}).code,
                     0);
            QImageReader reader(out);
            QCOMPARE(reader.size(), QSize(64, 48));
            QCOMPARE(reader.format(), QByteArray(ext == QByteArray("jpg") ? "jpeg" : ext));
        }
        QCOMPARE(Rgb32(Path(QStringLiteral("format.ppm"))),
                 FilledInProcess(QImage(in), QRect(2, 2, 4, 4), 4, 10));
    }

    void NoMark_Should_CopyThePictureWithZeroSteps() {
        const QString out = Path(QStringLiteral("copy.png"));
        const Result r = RunTool({in, out});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("steps 0\n"));
        QCOMPARE(Rgb32(out), Rgb32(in));
    }

    void BadInput_Should_ExitTwoWithOneLineAndWriteNothing_data() {
        QTest::addColumn<QStringList>("args");  // @NAME: a file NAME in the work folder
        QTest::newRow("block too small") << QStringList{"--block", "1", "@IN", "@OUT.png"};
        QTest::newRow("block too large") << QStringList{"--block", "33", "@IN", "@OUT.png"};
        QTest::newRow("border too small") << QStringList{"--border", "9", "@IN", "@OUT.png"};
        QTest::newRow("border too large") << QStringList{"--border", "501", "@IN", "@OUT.png"};
        QTest::newRow("border not a number") << QStringList{"--border", "ten", "@IN", "@OUT.png"};
        QTest::newRow("box with three values") << QStringList{"--box", "1,2,3", "@IN", "@OUT.png"};
        QTest::newRow("box of no width") << QStringList{"--box", "1,2,0,3", "@IN", "@OUT.png"};
        QTest::newRow("box outside") << QStringList{"--box", "64,0,5,5", "@IN", "@OUT.png"};
        QTest::newRow("option without value") << QStringList{"@IN", "@OUT.png", "--block"};
        QTest::newRow("unknown option") << QStringList{"--size", "@IN", "@OUT.png"};
        QTest::newRow("fine has no trace") << QStringList{"--fine", "--trace", "@IN", "@OUT.png"};
        QTest::newRow("one file") << QStringList{"@IN"};
        QTest::newRow("three files") << QStringList{"@IN", "@IN", "@OUT.png"};
        QTest::newRow("missing input") << QStringList{"@missing.png", "@OUT.png"};
        QTest::newRow("not a picture") << QStringList{"@junk.png", "@OUT.png"};
        QTest::newRow("missing mask") << QStringList{"--mask", "@missing.png", "@IN", "@OUT.png"};
        QTest::newRow("mask of other size")
            << QStringList{"--mask", "@small.png", "@IN", "@OUT.png"};
        QTest::newRow("unknown extension") << QStringList{"@IN", "@OUT.tif"};
        QTest::newRow("missing folder") << QStringList{"@IN", "@nofolder/OUT.png"};
    }

    void BadInput_Should_ExitTwoWithOneLineAndWriteNothing() {
        QFETCH(QStringList, args);
        QTemporaryDir work;
        QVERIFY(QFile::copy(in, work.filePath(QStringLiteral("IN"))));
        QFile junk(work.filePath(QStringLiteral("junk.png")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a picture") > 0);
        junk.close();
        QVERIFY(
            QImage(8, 8, QImage::Format_RGB32).save(work.filePath(QStringLiteral("small.png"))));
        for (QString& a : args)
            if (a.startsWith(QLatin1Char('@'))) a = work.filePath(a.mid(1));
        const QStringList before = QDir(work.path()).entryList(QDir::Files);

        const Result r = RunTool(args);

        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.startsWith(QStringLiteral("brisvane-inpaint: ")));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QCOMPARE(QDir(work.path()).entryList(QDir::Files), before);
    }

    void NoSource_Should_ExitThreeAndKeepTheOldOutput() {
        QImage corner = TexturedImage(80, 80);
        const QString cornerFile = Path(QStringLiteral("corner.png"));
        QVERIFY(corner.save(cornerFile));
        const QString out = Path(QStringLiteral("kept.png"));
        QVERIFY(QImage(2, 2, QImage::Format_RGB32).save(out));
        const QByteArray old = [&] {
            QFile f(out);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        const Result r =
            RunTool({QStringLiteral("--block"), QStringLiteral("32"), QStringLiteral("--box"),
                     QStringLiteral("0,0,10,10"), cornerFile, out});
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains(QStringLiteral("Scan Border")));
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), old);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("kept.png*")}, QDir::Files).size(), 1);
    }

    // The input is the output's source: a camera photo filled where it was boxed keeps its
    // metadata and, as a JPEG, every block the fill left alone; as a PNG its profile and EXIF.
    void CameraPhoto_Should_KeepItsMetadataAndUntouchedBlocks() {
        REQUIRE_SHARED_PHOTO(QStringLiteral("coffee.jpg"));
        TaggedPhotos::Encoding encoding;
        encoding.progressive = true;
        encoding.iccProfile = TaggedPhotos::IccProfile("RGB ");
        const QByteArray photo = TaggedPhotos::WithCameraMetadata(
            TaggedPhotos::Jpeg(TaggedPhotos::Photo(), encoding), 6);
        const QString camera = Path(QStringLiteral("IMG_0001.JPG"));
        TaggedPhotos::WriteFile(camera, photo);
        const QRect box(100, 300, 40, 25);  // upright: 400 x 600
        const QString jpg = Path(QStringLiteral("out.jpg")), png = Path(QStringLiteral("out.png"));
        for (const QString& out : {jpg, png})
            QCOMPARE(
                RunTool({QStringLiteral("--box"), QStringLiteral("100,300,40,25"), camera, out})
                    .code,
                0);

        const QByteArray result = TaggedPhotos::ReadFile(jpg);
        const QRect stored =
            TaggedPhotos::StoredBox(box, QSize(400, 600), QImageIOHandler::TransformationRotate90);
        const TaggedPhotos::Coefficients before = TaggedPhotos::CoefficientsOf(photo);
        const TaggedPhotos::Coefficients after = TaggedPhotos::CoefficientsOf(result);
        QCOMPARE(TaggedPhotos::BlocksChangedOutside(before, after, stored), 0);
        QVERIFY(TaggedPhotos::BlocksChangedOutside(before, after, QRect()) > 0);
        QCOMPARE(TaggedPhotos::PixelsChangedOutside(
                     TaggedPhotos::StoredPixels(photo), TaggedPhotos::StoredPixels(result),
                     TaggedPhotos::UnitsAround(stored, before.unitWidth, before.unitHeight, 1)),
                 0);
        QCOMPARE(TaggedPhotos::MetadataOf(result),
                 TaggedPhotos::KeptMetadata(photo, QSize(600, 400), false));
        QCOMPARE(TaggedPhotos::IccOf(result), encoding.iccProfile);

        const QByteArray pngBytes = TaggedPhotos::ReadFile(png);
        const QMap<QString, QString> pngMetadata = TaggedPhotos::MetadataOf(pngBytes);
        QCOMPARE(TaggedPhotos::IccOf(pngBytes), encoding.iccProfile);
        QCOMPARE(pngMetadata.value(QStringLiteral("Exif.Image.Make")),
                 QStringLiteral("NIKON CORPORATION"));
        QCOMPARE(pngMetadata.value(QStringLiteral("Exif.Image.Orientation")), QStringLiteral("1"));
        QCOMPARE(QImage(png).size(), QSize(400, 600));
    }

    // --find prints "none" or boxes inside the upright picture in the form --box takes, exit 0;
    // a photo it cannot read or marks given: exit 2 and one line. --auto with nothing found and
    // nothing else marked says so, writes nothing and succeeds; with a box it fills.
    void FindAndAuto_Should_PrintWhatIsFoundAndWriteNothingWithoutMarks_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("prints");  // the start of the output or of the error line
        const QString flat = Path("flat.png");
        QImage grey(80, 60, QImage::Format_RGB32);
        grey.fill(0xFF808080u);
        QVERIFY(grey.save(flat));
        const QString stamped = qEnvironmentVariable("BRISVANE_PHOTOS") + "/coffee-stamped.jpg";
        QTest::newRow("find, flat") << QStringList{"--find", flat} << 0 << "none\n";
        QTest::newRow("find, stamped") << QStringList{"--find", stamped} << 0 << "";
        QTest::newRow("find, missing") << QStringList{"--find", Path("no.jpg")} << 2
                                       << "brisvane-inpaint: cannot read picture";
        QTest::newRow("find, a box") << QStringList{"--find", "--box", "1,1,2,2", flat} << 2
                                     << "brisvane-inpaint: --find only prints";
        QTest::newRow("auto, none")
            << QStringList{"--auto", flat, Path("auto.png")} << 0 << "no imprint found\n";
        QTest::newRow("auto, a box")
            << QStringList{"--auto", "--box", "2,2,4,4", flat, Path("auto-box.png")} << 0
            << "steps ";
    }
    void FindAndAuto_Should_PrintWhatIsFoundAndWriteNothingWithoutMarks() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, prints);
        const Result r = RunTool(args);
        QCOMPARE(r.code, code);
        QVERIFY2((code == 0 ? r.out : r.err).startsWith(prints), qPrintable(r.out + r.err));
        QVERIFY(!r.out.startsWith("steps 0"));  // the box given is filled
        if (args.first() == "--auto") QCOMPARE(QFile::exists(args.last()), prints == "steps ");
        if (args.first() != "--find" || code != 0) return;
        QVERIFY(!r.out.isEmpty());
        const QRect picture = QImage(args.last()).rect();
        for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts))
            QVERIFY2(
                line == "none" ||
                    picture.contains(tool::Parse({"x", "--box", line, "a.png", "b.png"}).boxes[0]),
                qPrintable(line));
    }

    // Any picture reaches the finder as 32-bit pixels; its boxes come back cut to the picture.
    void FoundBoxes_Should_HandThe32BitPictureAndCutTheBoxes_data() {
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("grey") << QImage::Format_Grayscale8;
        QTest::newRow("palette") << QImage::Format_Indexed8;
        QTest::newRow("16-bit grey") << QImage::Format_Grayscale16;
        QTest::newRow("64-bit") << QImage::Format_RGBA64;
    }
    void FoundBoxes_Should_HandThe32BitPictureAndCutTheBoxes() {
        QFETCH(QImage::Format, format);
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(0xFF000000u);
        picture.setPixel(3, 2, 0xFFA0A0A0u);
        picture = picture.convertToFormat(format);
        QRgb seen = 0;
        const auto finder = [&](const detect::PictureView& v) {
            seen = v.pixels[2 * v.stride + 3] | 0xFF000000u;
            return std::vector<detect::Box>{{5, 3, 10, 10}, {7, 0, 3, 3}, {1, 1, 2, 2}};
        };
        QCOMPARE(FindImprintBoxes(picture, finder),
                 (QList<QRect>{QRect(5, 3, 2, 2), QRect(1, 1, 2, 2)}));
        QCOMPARE(seen, picture.convertToFormat(QImage::Format_RGB32).pixel(3, 2));
    }
};

QTEST_GUILESS_MAIN(InpaintToolTest)
#include "InpaintToolTest.moc"
