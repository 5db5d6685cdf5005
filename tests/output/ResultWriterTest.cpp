#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include "output/OutputTestSupport.h"
#include "output/ResultWriter.h"

using namespace OutputTest;

class ResultWriterTest : public QObject {
    Q_OBJECT
    QImage picture_ = TestPicture(120, 90);
    ConverterSetup real_{RealConverter(), 60000};

    static QImage Read(const QString& path) {
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    }

private Q_SLOTS:
    void initTestCase() {
#ifdef Q_OS_WIN
        QSKIP("stand-in converters are shell scripts");
#endif
        QVERIFY(QFileInfo(RealConverter()).isExecutable());
    }

    void Bmp_Should_BeWrittenBitForBitWithoutTheConverter() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("it's \"a\" photo.BMP"));
        const WriteOutcome out =
            WriteResult(picture_, path, ConverterSetup{dir.filePath(QStringLiteral("none")), 1000});
        QCOMPARE(out.status, WriteOutcome::Status::Written);
        QCOMPARE(out.target, path);
        QCOMPARE(Read(path), picture_);
        QCOMPARE(Entries(dir.path()), QStringList{FileNameOf(path)});
    }

    void EachFormat_Should_ReplaceAnExistingTarget() {
        const struct {
            const char* name;
            QByteArray format;
        } cases[] = {{"IMG_1.JPG", "jpeg"}, {"a b.gif", "gif"}, {"x.png", "png"}, {"y.bmp", "bmp"}};
        for (const auto& c : cases) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QLatin1String(c.name));
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the old file");
            old.close();
            const WriteOutcome out = WriteResult(picture_, path, real_);
            QCOMPARE(out.status, WriteOutcome::Status::Written);
            QImageReader reader(path);
            QCOMPARE(reader.format(), c.format);
            QCOMPARE(reader.size(), picture_.size());
            QCOMPARE(Entries(dir.path()), QStringList{QLatin1String(c.name)});  // nothing else left
        }
    }

    void Replacing_Should_KeepTheTargetsPermissions() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.jpg"));
        QVERIFY(picture_.save(path, "JPEG"));
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;  // 0640
        QVERIFY(QFile::setPermissions(path, permissions));
        QCOMPARE(WriteResult(picture_, path, real_).status, WriteOutcome::Status::Written);
        const auto bits = QFile::Permissions(0x7077);
        QCOMPARE(QFile::permissions(path) & bits, permissions & bits);
    }

    void JpegSource_Should_GainJpgAndLeaveTheSource() {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("a.jpeg"));
        QVERIFY(TestPicture(30, 20).save(source, "JPEG"));
        const QByteArray before = FileHash(source);
        const WriteOutcome out = WriteResult(picture_, source, real_);
        QCOMPARE(out.target, source + QStringLiteral(".jpg"));
        QCOMPARE(QImageReader(out.target).size(), picture_.size());
        QCOMPARE(FileHash(source), before);
    }

    void UnknownFormat_Should_WriteNothing() {
        QTemporaryDir dir;
        const WriteOutcome out =
            WriteResult(picture_, dir.filePath(QStringLiteral("scan.tif")), real_);
        QCOMPARE(out.status, WriteOutcome::Status::NoFormat);
        QVERIFY(Entries(dir.path()).isEmpty());
    }

    // Every way the converter can let us down leaves the old file as it was and nothing else
    // behind.
    void FailingConverter_Should_LeaveTheTargetUntouched_data() {
        QTest::addColumn<QByteArray>("script");  // empty: no converter at all
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("missing") << QByteArray() << 60000 << QStringLiteral("missing");
        QTest::newRow("fails") << QByteArray("echo 'brisvane-convert: disk on fire' >&2; exit 3")
                               << 60000 << QStringLiteral("disk on fire");
        QTest::newRow("silent failure")
            << QByteArray("exit 4") << 60000 << QStringLiteral("exit code 4");
        QTest::newRow("writes nothing")
            << QByteArray("exit 0") << 60000 << QStringLiteral("read back");
        QTest::newRow("writes garbage")
            << QByteArray("while [ $# -gt 2 ]; do shift; done; echo junk > \"$1\"") << 60000
            << QStringLiteral("read back");
        QTest::newRow("wrong size")
            << QByteArray("while [ $# -gt 2 ]; do shift; done; cp \"$SMALL\" \"$1\"") << 60000
            << QStringLiteral("120 x 90");
        QTest::newRow("hangs") << QByteArray("sleep 30") << 300 << QStringLiteral("did not finish");
    }
    void FailingConverter_Should_LeaveTheTargetUntouched() {
        QFETCH(QByteArray, script);
        QFETCH(int, timeoutMs);
        QFETCH(QString, reasonPart);
        QTemporaryDir bin, photos;
        QVERIFY(TestPicture(8, 8).save(bin.filePath(QStringLiteral("small.jpg")), "JPEG"));
        qputenv("SMALL", bin.filePath(QStringLiteral("small.jpg")).toUtf8());
        const QString converter = bin.filePath(QStringLiteral("brisvane-convert"));
        if (!script.isEmpty()) WriteScript(converter, script);
        const QString source = photos.filePath(QStringLiteral("IMG 0001.JPG"));
        QVERIFY(TestPicture(64, 48).save(source, "JPEG"));
        const QByteArray before = FileHash(source);

        const WriteOutcome out =
            WriteResult(picture_, source, ConverterSetup{converter, timeoutMs});

        QCOMPARE(out.status, WriteOutcome::Status::Failed);
        QVERIFY2(out.reason.contains(reasonPart), qPrintable(out.reason));
        QCOMPARE(FileHash(source), before);
        QCOMPARE(Entries(photos.path()), QStringList{QStringLiteral("IMG 0001.JPG")});
    }

    void Converter_Should_ReadABitmapFromAPrivateFolderThatIsRemovedAfterwards() {
        QTemporaryDir bin, photos, temp;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toUtf8());
        const QString log = bin.filePath(QStringLiteral("log"));
        const QString converter =
            WriteScript(bin.filePath(QStringLiteral("brisvane-convert")),
                        "for last; do :; done; stat -c %a \"$(dirname \"$last\")\" > '" +
                            log.toUtf8() + "'; exec '" + RealConverter().toUtf8() + "' \"$@\"");
        const QString target = photos.filePath(QStringLiteral("r.png"));
        const WriteOutcome out = WriteResult(picture_, target, ConverterSetup{converter, 60000});
        qputenv("TMPDIR", oldTemp);
        QCOMPARE(out.status, WriteOutcome::Status::Written);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().trimmed(), QByteArray("700"));
        QVERIFY(Entries(temp.path()).isEmpty());
        QCOMPARE(Read(target), picture_);
    }

    void MissingFolder_Should_FailNamingIt() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("gone/x.bmp"));
        const WriteOutcome out = WriteResult(picture_, target, real_);
        QCOMPARE(out.status, WriteOutcome::Status::Failed);
        QVERIFY2(out.reason.contains(dir.filePath(QStringLiteral("gone"))), qPrintable(out.reason));
    }

    void NoPicture_Should_FailAndWriteNothing() {
        QTemporaryDir dir;
        const WriteOutcome out =
            WriteResult(QImage(), dir.filePath(QStringLiteral("x.bmp")), real_);
        QCOMPARE(out.status, WriteOutcome::Status::Failed);
        QVERIFY(Entries(dir.path()).isEmpty());
    }
};

QTEST_MAIN(ResultWriterTest)
#include "ResultWriterTest.moc"
