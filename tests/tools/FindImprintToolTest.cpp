// brisvane-inpaint --find and --auto: the boxes a finder gives, printed in the form --box takes or
// used as marks; a photo without an imprint is left alone and is not a failure.
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <mutex>

#include "support/TaggedPhotos.h"
#include "tools/BatchRun.h"
#include "tools/FoundImprints.h"
#include "tools/ToolOptions.h"

namespace {

constexpr QRgb Clean = 0xFF202020u;  // the stand-in finder sees no imprint on this colour

struct Result {
    int code = -1;
    QStringList out;
    QString err;
};

Result RunTool(const QStringList& args) {
    QProcess process;
    process.start(
        qEnvironmentVariable("BRISVANE_PROGRAM_DIR") + QStringLiteral("/brisvane-inpaint"), args);
    if (!process.waitForFinished(120000)) return {};
    return {process.exitCode(),
            QString::fromLocal8Bit(process.readAllStandardOutput())
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// Gives the boxes it was set up with, except on a picture whose first pixel is Clean; notes the
// sizes it was shown.
struct StandInFinder {
    QList<QRect> boxes;
    QList<QSize> seen;
    QRgb probe = 0;  // the pixel at (3, 2)
    std::vector<detect::Box> operator()(const detect::PictureView& view) {
        seen << QSize(view.width, view.height);
        if (view.width > 3 && view.height > 2) probe = view.pixels[2 * view.stride + 3];
        if ((view.pixels[0] & 0xFFFFFFu) == (Clean & 0xFFFFFFu)) return {};
        std::vector<detect::Box> found;
        for (const QRect& r : boxes) found.push_back({r.x(), r.y(), r.width(), r.height()});
        return found;
    }
};

QImage Flat(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The rectangle holds every pixel where the two pictures differ, and at least one.
bool DifferOnlyIn(const QImage& a, const QImage& b, const QRect& r) {
    bool any = false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                if (!r.contains(x, y)) return false;
                any = true;
            }
    return any;
}

}  // namespace

class FindImprintToolTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }

private Q_SLOTS:
    // Every picture reaches the finder as 0xAARRGGBB pixels row by row; the boxes come back cut
    // to the picture, and one wholly outside is dropped.
    void FoundBoxes_Should_HandThe32BitPictureAndCutTheBoxes_data() {
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("grey") << QImage::Format_Grayscale8;
        QTest::newRow("palette") << QImage::Format_Indexed8;
        QTest::newRow("16-bit grey") << QImage::Format_Grayscale16;
        QTest::newRow("565") << QImage::Format_RGB16;
        QTest::newRow("64-bit") << QImage::Format_RGBA64;
        QTest::newRow("premultiplied") << QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("32-bit") << QImage::Format_RGB32;
    }
    void FoundBoxes_Should_HandThe32BitPictureAndCutTheBoxes() {
        QFETCH(QImage::Format, format);
        QImage picture = Flat(7, 5, 0xFF000000u);
        picture.setPixel(3, 2, 0xFFA0A0A0u);
        picture = picture.convertToFormat(format);
        StandInFinder finder;
        finder.boxes = {QRect(5, 3, 10, 10), QRect(7, 0, 3, 3), QRect(1, 1, 2, 2)};
        const QList<QRect> found = tool::FoundBoxes(picture, std::ref(finder));
        QCOMPARE(finder.seen, QList<QSize>{QSize(7, 5)});
        QCOMPARE(finder.probe | 0xFF000000u,
                 picture.convertToFormat(QImage::Format_RGB32).pixel(3, 2));
        QCOMPARE(found, (QList<QRect>{QRect(5, 3, 2, 2), QRect(1, 1, 2, 2)}));
    }

    // Each line is one --box takes back as the same box.
    void FindLines_Should_BeWhatBoxTakesOrNone() {
        const QList<QRect> boxes{QRect(1, 2, 3, 4), QRect(100, 20, 300, 40)};
        const QStringList lines = tool::FindLines(boxes);
        QCOMPARE(lines, (QStringList{"1,2,3,4", "100,20,300,40"}));
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(tool::Parse({"brisvane-inpaint", "--box", lines[i], "in.png", "out.png"})
                         .boxes.value(0),
                     boxes[i]);
        QCOMPARE(tool::FindLines({}), QStringList{"none"});
    }

    // --find: "none" or boxes inside the upright picture, exit 0; an unreadable photo or a
    // --find mixed with marks or a run, exit 2 with one line.
    void Find_Should_PrintBoxesOrNoneAndRefuseWhatItCannotRead_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QVERIFY(Flat(80, 60, 0xFF808080u).save(Path("grey.png")));
        QFile garbage(Path("garbage.jpg"));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("not a picture") > 0);
        garbage.close();
        const QString stamped = qEnvironmentVariable("BRISVANE_PHOTOS") + "/coffee-stamped.jpg";
        QTest::newRow("flat") << QStringList{"--find", Path("grey.png")} << 0 << "none";
        QTest::newRow("stamped") << QStringList{"--find", stamped} << 0 << "";
        QTest::newRow("missing") << QStringList{"--find", Path("missing.jpg")} << 2
                                 << "cannot read picture";
        QTest::newRow("garbage") << QStringList{"--find", Path("garbage.jpg")} << 2
                                 << "cannot read picture";
        QTest::newRow("two photos")
            << QStringList{"--find", Path("grey.png"), Path("grey.png")} << 2 << "one PHOTO";
        QTest::newRow("with a box")
            << QStringList{"--find", "--box", "1,1,2,2", Path("grey.png")} << 2 << "no marks";
    }
    void Find_Should_PrintBoxesOrNoneAndRefuseWhatItCannotRead() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        const Result run = RunTool(args);
        QCOMPARE(run.code, code);
        if (code != 0) {
            QVERIFY2(run.err.contains(says), qPrintable(run.err));
            QVERIFY(run.out.isEmpty());
            return;
        }
        QVERIFY(!run.out.isEmpty());
        if (!says.isEmpty()) QCOMPARE(run.out, QStringList{says});
        const QImage picture(args.last());
        for (const QString& line : run.out) {
            if (line == QStringLiteral("none")) continue;
            const QRect box = tool::Parse({"x", "--box", line, "in.png", "out.png"}).boxes.value(0);
            QVERIFY2(picture.rect().contains(box), qPrintable(line));
        }
    }

    // --auto on a photo where nothing is found and nothing else is marked: said, nothing written,
    // exit 0, alone or in a batch; with a --box the box is still removed.
    void Auto_Should_ReportNoImprintWriteNothingAndSucceed() {
        QVERIFY(Flat(80, 60, 0xFF808080u).save(Path("flat1.png")));
        QVERIFY(Flat(90, 70, 0xFF707070u).save(Path("flat2.png")));

        const Result alone = RunTool({"--auto", Path("flat1.png"), Path("alone.png")});
        QCOMPARE(alone.code, 0);
        QCOMPARE(alone.out, QStringList{"no imprint found"});
        QVERIFY(!QFile::exists(Path("alone.png")));

        const Result boxed =
            RunTool({"--auto", "--box", "10,10,5,5", Path("flat1.png"), Path("boxed.png")});
        QCOMPARE(boxed.code, 0);
        QVERIFY2(boxed.out.value(0).startsWith("steps "), qPrintable(boxed.out.join('\n')));
        QVERIFY(QFile::exists(Path("boxed.png")));

        const QString out = Path("auto-out");
        const Result batch =
            RunTool({"--auto", "--out-dir", out, Path("flat1.png"), Path("flat2.png")});
        QCOMPARE(batch.code, 0);
        QVERIFY(batch.out.contains(Path("flat1.png") + ": no imprint found"));
        QVERIFY(batch.out.contains(Path("flat2.png") + ": no imprint found"));
        QCOMPARE(batch.out.last(), QStringLiteral("2 photos: 0 written, 0 failed, 2 with no "
                                                  "imprint found"));
        QVERIFY(QDir(out).entryList(QDir::Files).isEmpty());
    }

    // The batch marks each photo with the boxes found on it, upright, with the marks given; a
    // photo with none found and no other marks gets no result and is counted apart.
    void AutoBatch_Should_MarkTheFoundBoxesAndLeaveAlonePhotosWithout() {
        const QImage photo = TaggedPhotos::Photo(60, 40);
        QVERIFY(photo.save(Path("found.png")));
        QVERIFY(Flat(60, 40, Clean).save(Path("clean.png")));
        QFile turned(Path("turned.jpg"));
        QVERIFY(turned.open(QIODevice::WriteOnly));
        turned.write(TaggedPhotos::WithCameraMetadata(TaggedPhotos::Jpeg(photo, {}), 6));
        turned.close();

        tool::Options options;
        options.autoFind = true;
        options.outDir = Path("batch-out");
        options.photos = {Path("found.png"), Path("clean.png"), Path("turned.jpg")};
        options.jobs = 1;
        tool::BatchPlan plan = tool::PlanBatch(options);
        StandInFinder finder;
        finder.boxes = {QRect(20, 10, 8, 6)};
        plan.finder = std::ref(finder);
        QList<tool::PhotoOutcome> outcomes;
        const tool::BatchReport report =
            tool::RunBatch(plan, [&](const tool::PhotoOutcome& o) { outcomes << o; });

        QCOMPARE(report.written, 2);
        QCOMPARE(report.failed, 0);
        QCOMPARE(report.noImprint, 1);
        QCOMPARE(finder.seen, (QList<QSize>{QSize(60, 40), QSize(60, 40), QSize(40, 60)}));
        QVERIFY(outcomes[1].noImprint && !outcomes[1].ok);
        QCOMPARE(outcomes[1].line, QStringLiteral("no imprint found"));
        QVERIFY(outcomes[1].target.isEmpty());
        QCOMPARE(QDir(options.outDir).entryList(QDir::Files),
                 (QStringList{"found.png", "turned.jpg"}));
        QVERIFY(DifferOnlyIn(QImage(Path("batch-out/found.png")), photo, QRect(20, 10, 8, 6)));

        // With a box given, the photo without an imprint is still done.
        options.photos = {Path("clean.png")};
        options.boxes = {QRect(2, 2, 4, 4)};
        options.outDir = Path("batch-boxed");
        plan = tool::PlanBatch(options);
        plan.finder = std::ref(finder);
        const tool::BatchReport boxed = tool::RunBatch(plan, [](const tool::PhotoOutcome&) {});
        QCOMPARE(boxed.written, 1);
        QCOMPARE(boxed.noImprint, 0);
    }
};

QTEST_GUILESS_MAIN(FindImprintToolTest)
#include "FindImprintToolTest.moc"
