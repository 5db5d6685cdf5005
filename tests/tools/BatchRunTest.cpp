// brisvane-inpaint --out-dir: results equal to single runs, failures that stop only their own
// photo, arguments refused before anything is written, and a stop part-way.
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <stop_token>

#include "support/TaggedPhotos.h"
#include "tools/BatchRun.h"

namespace {

struct Result {
    int code = -1;
    QStringList lines;
};

Result RunTool(const QStringList& args) {
    QProcess process;
    process.start(
        qEnvironmentVariable("BRISVANE_PROGRAM_DIR") + QStringLiteral("/brisvane-inpaint"), args);
    if (!process.waitForFinished(300000)) return {};
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput()) +
                        QString::fromLocal8Bit(process.readAllStandardError());
    return {process.exitCode(), out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A camera JPEG cut from the shared photo at an offset, so that every photo differs.
QByteArray CameraPhoto(int w, int h, int offset) {
    const QImage photo = TaggedPhotos::Photo().copy(offset, offset, w, h);
    return TaggedPhotos::WithCameraMetadata(TaggedPhotos::Jpeg(photo, {}));
}

QStringList Files(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace

class BatchRunTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }

    // Photos of one camera (the imprint bottom right) in two folders, two with the same name.
    QStringList photos;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("b")));
        photos = QStringList{Path("a/one.jpg"), Path("a/two.jpg"), Path("b/one.jpg"),
                             Path("b/wide.png")};
        QVERIFY(Write(photos[0], CameraPhoto(200, 120, 0)));
        QVERIFY(Write(photos[1], CameraPhoto(200, 120, 30)));
        QVERIFY(Write(photos[2], CameraPhoto(200, 120, 60)));
        QVERIFY(TaggedPhotos::Photo().copy(10, 10, 260, 150).save(photos[3]));
    }

    // Each result, byte for byte, is what the single form gives with the marks carried over by
    // hand: 30 from the right, 20 from the bottom, on both sizes.
    void Batch_Should_EqualSingleRunsOfEachPhoto_data() {
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("exact, two jobs") << QStringList{"--jobs", "2"};
        QTest::newRow("exact, one job") << QStringList{"--jobs", "1"};
        QTest::newRow("finer fill") << QStringList{"--jobs", "3", "--fine"};
    }
    void Batch_Should_EqualSingleRunsOfEachPhoto() {
        QFETCH(QStringList, extra);
        const QString out = Path(QStringLiteral("out-%1").arg(QTest::currentDataTag()));
        const Result batch =
            RunTool(QStringList{"--box", "150,90,20,10", "--out-dir", out} + extra + photos);
        QCOMPARE(batch.code, 0);
        QCOMPARE(batch.lines.size(), 5);
        QCOMPARE(batch.lines.last(), QStringLiteral("4 photos: 4 written, 0 failed"));
        // The two one.jpg meet under one name: the second comes under the next free one.
        QCOMPARE(Files(out), (QStringList{"one (2).jpg", "one.jpg", "two.jpg", "wide.png"}));

        const QStringList fine = extra.contains("--fine") ? QStringList{"--fine"} : QStringList{};
        const QString single = Path("single");
        QVERIFY(QDir().mkpath(single));
        const QList<QPair<QString, QString>> singles{{photos[0], "150,90,20,10"},
                                                     {photos[1], "150,90,20,10"},
                                                     {photos[2], "150,90,20,10"},
                                                     {photos[3], "210,120,20,10"}};
        const QStringList results{"one.jpg", "two.jpg", "one (2).jpg", "wide.png"};
        for (int i = 0; i < singles.size(); ++i) {
            const QString alone = single + "/" + QFileInfo(results[i]).fileName();
            const Result run =
                RunTool(fine + QStringList{"--box", singles[i].second, singles[i].first, alone});
            QCOMPARE(run.code, 0);
            QVERIFY2(Bytes(alone) == Bytes(out + "/" + results[i]), qPrintable(results[i]));
            const QString line =
                singles[i].first + ": " + run.lines.value(0);  // "steps N" / "filled N"
            QVERIFY2(batch.lines.contains(line), qPrintable(line));
        }
    }

    // An unreadable photo, one too small for the marks and one given twice each get a line
    // naming them; the good ones are written; exit 3.
    void FailingPhotos_Should_FailAloneAndExitThree() {
        const QString broken = Path("a/broken.jpg"), tiny = Path("a/tiny.png");
        QVERIFY(Write(broken, "not a picture"));
        QVERIFY(TaggedPhotos::Photo().copy(0, 0, 20, 20).save(tiny));
        const QString out = Path("out-failing");
        // A mark 90 from the right of the reference lies wholly left of a 20 wide photo.
        const Result run = RunTool({"--box", "100,5,10,10", "--box", "150,90,20,10", "--out-dir",
                                    out, photos[0], broken, tiny, photos[1], photos[0]});
        QCOMPARE(run.code, 3);
        QCOMPARE(run.lines.size(), 6);
        QCOMPARE(run.lines.last(), QStringLiteral("5 photos: 2 written, 3 failed"));
        auto lineOf = [&](const QString& photo, const QString& says) {
            for (const QString& line : run.lines)
                if (line.startsWith(photo + ": error") && line.contains(says)) return true;
            return false;
        };
        QVERIFY(lineOf(broken, "cannot read it"));
        QVERIFY(lineOf(tiny, "too small for the marks"));
        QVERIFY(lineOf(photos[0], "already in the list"));
        QCOMPARE(Files(out), (QStringList{"one.jpg", "two.jpg"}));

        // A folder that cannot be made: every photo fails, naming it.
        const Result unwritable = RunTool({"--out-dir", photos[0] + "/sub", photos[1], photos[2]});
        QCOMPARE(unwritable.code, 3);
        QCOMPARE(unwritable.lines.size(), 3);
        QVERIFY(unwritable.lines.contains(photos[1] + ": error the folder \"" + photos[0] +
                                          "/sub\" cannot be made"));
    }

    // The marks are given upright on the first photo, turned by its camera, and carried in the
    // stored orientation: on an upright photo of the same stored size the imprint is where the
    // camera put it.
    void TurnedReference_Should_CarryTheMarksWhereTheCameraPutThem() {
        const QString turned = Path("a/turned.jpg"), upright = Path("b/upright.jpg");
        const QImage photo = TaggedPhotos::Photo().copy(0, 0, 200, 120);
        QVERIFY(Write(turned, TaggedPhotos::WithCameraMetadata(TaggedPhotos::Jpeg(photo, {}), 6)));
        QVERIFY(Write(upright, TaggedPhotos::WithCameraMetadata(TaggedPhotos::Jpeg(photo, {}))));
        // Stored 200 x 120, shown turned a quarter clockwise (120 x 200): the stored box
        // 150,90 20x10 shows at 120 - 100, 150 (10 x 20).
        const QString out = Path("out-turned");
        QVERIFY(QDir().mkpath(Path("single")));
        const Result batch =
            RunTool({"--box", "20,150,10,20", "--out-dir", out, "--jobs", "1", turned, upright});
        QCOMPARE(batch.code, 0);
        const Result alone =
            RunTool({"--box", "150,90,20,10", upright, Path("single/upright-alone.jpg")});
        QCOMPARE(alone.code, 0);
        QVERIFY(Bytes(out + "/upright.jpg") == Bytes(Path("single/upright-alone.jpg")));
    }

    void BadArguments_Should_ExitTwoAndWriteNothing_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        const QString out = Path("out-bad");
        const QString file = Path("a/one.jpg");
        QTest::newRow("out-dir is a file") << QStringList{"--out-dir", file, photos[1]} << "a file";
        QTest::newRow("out-dir holds a photo")
            << QStringList{"--out-dir", Path("b/../a"), photos[2], photos[0]} << "folder of";
        QTest::newRow("box outside the reference")
            << QStringList{"--box", "300,10,5,5", "--out-dir", out, photos[0]} << "outside";
        QTest::newRow("mask of another size")
            << QStringList{"--mask", photos[3], "--out-dir", out, photos[0]} << "is 260x150";
        QTest::newRow("no photo") << QStringList{"--out-dir", out} << "at least one PHOTO";
        QTest::newRow("jobs 0") << QStringList{"--jobs", "0", "--out-dir", out, photos[0]}
                                << "--jobs takes";
        QTest::newRow("bad ref") << QStringList{"--ref", "10x", "--out-dir", out, photos[0]}
                                 << "--ref takes";
        QTest::newRow("jobs without out-dir")
            << QStringList{"--jobs", "2", photos[0], Path("x.jpg")} << "go with --out-dir";
    }
    void BadArguments_Should_ExitTwoAndWriteNothing() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const QStringList before = Files(Path("a")) + Files(Path("b"));
        const Result run = RunTool(args);
        QCOMPARE(run.code, 2);
        QCOMPARE(run.lines.size(), 1);
        QVERIFY2(run.lines[0].contains(says), qPrintable(run.lines[0]));
        QVERIFY(!QFileInfo::exists(Path("out-bad")));
        QVERIFY(!QFileInfo::exists(Path("x.jpg")));
        QCOMPARE(Files(Path("a")) + Files(Path("b")), before);
    }

    // A stop finishes the photo in hand and starts no other.
    void Stop_Should_FinishThePhotoInHandAndStartNoMore() {
        tool::Options options;
        options.boxes = {QRect(150, 90, 20, 10)};
        options.outDir = Path("out-stopped");
        options.photos = photos;
        options.jobs = 1;
        const tool::BatchPlan plan = tool::PlanBatch(options);
        std::stop_source stop;
        QStringList seen;
        const tool::BatchReport report = tool::RunBatch(
            plan,
            [&](const tool::PhotoOutcome& outcome) {
                seen << outcome.photo;
                stop.request_stop();
            },
            stop.get_token());
        QCOMPARE(seen, QStringList{photos[0]});
        QCOMPARE(report.written, 1);
        QCOMPARE(report.notStarted, 3);
        QCOMPARE(Files(options.outDir), QStringList{"one.jpg"});
    }

    // --auto: the boxes found on each photo, upright, are its marks; a photo with none found and
    // no other marks gets no result and is counted apart, not as a failure.
    void Auto_Should_MarkTheFoundBoxesAndLeaveAlonePhotosWithout() {
        constexpr QRgb Clean = 0xFF202020u;  // the stand-in finds nothing on it
        const QImage photo = TaggedPhotos::Photo(60, 40);
        QImage clean(60, 40, QImage::Format_RGB32);
        clean.fill(Clean);
        const QStringList files{Path("a/found.png"), Path("a/clean.png"), Path("a/turned.jpg")};
        QVERIFY(photo.save(files[0]) && clean.save(files[1]));
        QVERIFY(
            Write(files[2], TaggedPhotos::WithCameraMetadata(TaggedPhotos::Jpeg(photo, {}), 6)));
        QList<QSize> seen;
        const auto finder = [&](const detect::PictureView& v) {
            seen << QSize(v.width, v.height);
            return v.pixels[0] == Clean ? std::vector<detect::Box>{}
                                        : std::vector<detect::Box>{{20, 10, 8, 6}};
        };
        tool::Options options;
        options.autoFind = true;
        options.outDir = Path("out-auto");
        options.photos = files;
        options.jobs = 1;
        tool::BatchPlan plan = tool::PlanBatch(options);
        plan.finder = finder;
        QStringList lines;
        const tool::BatchReport report =
            tool::RunBatch(plan, [&](const tool::PhotoOutcome& o) { lines << o.line; });
        QVERIFY(report.written == 2 && report.failed == 0 && report.noImprint == 1);
        QCOMPARE(lines.value(1), QStringLiteral("no imprint found"));
        QCOMPARE(seen, (QList<QSize>{{60, 40}, {60, 40}, {40, 60}}));
        QCOMPARE(Files(options.outDir), (QStringList{"found.png", "turned.jpg"}));
        const QImage result = QImage(options.outDir + "/found.png").convertToFormat(photo.format());
        QVERIFY(result != photo);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                if (result.pixel(x, y) != photo.pixel(x, y))
                    QVERIFY(QRect(20, 10, 8, 6).contains(x, y));

        options.boxes = {QRect(2, 2, 4, 4)};  // with a box the clean photo is done too
        options.outDir = Path("out-auto-boxed");
        plan = tool::PlanBatch(options);
        plan.finder = finder;
        QCOMPARE(tool::RunBatch(plan, [](const tool::PhotoOutcome&) {}).written, 3);

        const Result run = RunTool({"--auto", "--out-dir", Path("out-auto-tool"), files[1]});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.lines,
                 (QStringList{files[1] + ": no imprint found",
                              "1 photos: 0 written, 0 failed, 1 with no imprint found"}));
        QVERIFY(Files(Path("out-auto-tool")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(BatchRunTest)
#include "BatchRunTest.moc"
