#include <QImageReader>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "output/FakeStepHost.h"
#include "output/Fixtures.h"
#include "output/OutputTestSupport.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"

using namespace OutputTest;

namespace {

// A noisy picture: it compresses badly, so every format needs room on the disk.
QImage Noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 7;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            image.setPixel(x, y, state >> 8);
        }
    return image;
}

bool RunAsIs(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A small memory file system mounted for one test: a disk that fills up or is read-only for
// real, whoever runs the test (permission bits do not stop the superuser).
struct SmallDisk {
    QTemporaryDir dir;
    bool mounted = false;
    explicit SmallDisk(const QString& size) {
        mounted = RunAsIs(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=") + size, QStringLiteral("tmpfs"), dir.path()});
    }
    ~SmallDisk() {
        if (mounted) RunAsIs(QStringLiteral("umount"), {dir.path()});
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    bool MakeReadOnly() {
        return RunAsIs(QStringLiteral("mount"),
                       {QStringLiteral("-o"), QStringLiteral("remount,ro"), dir.path()});
    }
    // Fills the disk up to `leave` bytes.
    void Fill(qint64 leave) {
        QFile filler(Path(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly)) qFatal("cannot fill the small disk");
        const QByteArray block(4096, 'x');
        while (QStorageInfo(dir.path()).bytesAvailable() > leave &&
               filler.write(block) == block.size())
            filler.flush();
    }
};

}  // namespace

// Saving into awkward names and onto disks that are full or read-only: the source stays byte
// for byte unless the save succeeded, no temporary file stays behind, the user is told, and the
// next save works.
class SavePlacesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> settings_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<SaveOptionFrame> options_;
    std::unique_ptr<FakeStepHost> host_;
    std::unique_ptr<SaveSteps> steps_;

    void SaveBesideSource() { options_->Option4->click(); }
    void SaveToFolder(const QString& folder) {
        options_->Option3->click();
        options_->Text1->setText(folder + QLatin1Char('/'));
    }

private Q_SLOTS:
    void initTestCase() {
#ifdef Q_OS_WIN
        QSKIP("file names and disks of this system only");
#endif
    }

    void init() {
        settings_ = std::make_unique<QTemporaryDir>();
        OpenSteps(settings_->path(), dialogs_, options_, host_, steps_);
    }

    void cleanup() {
        CloseSteps(dialogs_, options_, host_, steps_);
    }

    void AwkwardName_Should_BeReplacedInItsFormat_data() {
        QTest::addColumn<QString>("name");
        for (const char* format : {"jpg", "gif", "png", "bmp"}) {
            const QString ext = QLatin1String(format);
            QTest::addRow("spaces %s", format) << QStringLiteral(" my  photo .") + ext;
            QTest::addRow("quotes %s", format) << QStringLiteral("it's \"the\" one.") + ext;
            QTest::addRow("shell %s", format) << QStringLiteral("$HOME;rm -f x`id`$(id)|&.") + ext;
            QTest::addRow("dashes %s", format) << QStringLiteral("--out -o.") + ext;
            QTest::addRow("newline %s", format) << QStringLiteral("two\nlines.") + ext;
            QTest::addRow("non-ASCII %s", format) << QStringLiteral("Zürich 東京 😀.") + ext;
            QTest::addRow("250 characters %s", format)
                << QString(246, QLatin1Char('n')) + QLatin1Char('.') + ext;
        }
    }
    void AwkwardName_Should_BeReplacedInItsFormat() {
        QFETCH(QString, name);
        QTemporaryDir photos;
        // The path runs well past 250 characters.
        const QString folder = photos.filePath(QString(120, QLatin1Char('d')));
        QVERIFY(QDir().mkpath(folder));
        const QString source = folder + QLatin1Char('/') + name;
        const QString format = QFileInfo(name).suffix() == QStringLiteral("jpg")
                                   ? QStringLiteral("JPEG")
                                   : QFileInfo(name).suffix().toUpper();
        if (format == QStringLiteral("GIF")) {
            QFile gif(source);  // Qt writes no GIF: any GIF will do as the file to replace
            QVERIFY(gif.open(QIODevice::WriteOnly));
            gif.write(QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs="));
        } else {
            QVERIFY(TestPicture(40, 30).save(source, qPrintable(format)));
        }
        host_->Start({source, QStringLiteral("/p/next.jpg")});
        host_->image = TestPicture(40, 30);
        SaveBesideSource();

        steps_->PushButton5_Click();

        QVERIFY2(dialogs_->Messages().isEmpty(),
                 qPrintable(dialogs_->Messages().join(QLatin1Char('|'))));
        QCOMPARE(host_->current, 2);
        QImageReader back(source);
        QCOMPARE(back.size(), QSize(40, 30));
        QCOMPARE(back.format(), format.toLower().toUtf8());
        QCOMPARE(Entries(folder), QStringList{name});
    }

    void FullDisk_Should_KeepTheSourceAndLeaveNoPart_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("bmp") << QStringLiteral("photo.bmp");
        QTest::newRow("jpeg") << QStringLiteral("photo.jpg");
        QTest::newRow("gif") << QStringLiteral("photo.gif");
        QTest::newRow("png") << QStringLiteral("photo.png");
    }
    void FullDisk_Should_KeepTheSourceAndLeaveNoPart() {
        QFETCH(QString, name);
        SmallDisk disk(QStringLiteral("512k"));
        if (!disk.mounted) QSKIP("a small disk cannot be mounted here (needs the superuser)");
        const QString source = disk.Path(name);
        QFile small(source);
        QVERIFY(small.open(QIODevice::WriteOnly));
        small.write(
            QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs="));  // 1 x 1
        small.close();
        const QByteArray before = FileHash(source);
        disk.Fill(16 * 1024);
        host_->Start({source, QStringLiteral("/p/next.jpg")});
        host_->image = Noise(300, 200);  // well over 16 KB in every format
        SaveBesideSource();

        steps_->PushButton5_Click();

        QCOMPARE(dialogs_->Messages().size(), 1);
        QVERIFY2(dialogs_->Messages()[0].contains(QStringLiteral("could not be saved")),
                 qPrintable(dialogs_->Messages()[0]));
        QCOMPARE(FileHash(source), before);
        QCOMPARE(Entries(disk.dir.path()), (QStringList{QStringLiteral("filler"), name}));
        QCOMPARE(host_->current, 1);

        // The program goes on: with room again, the same save works.
        QVERIFY(QFile::remove(disk.Path(QStringLiteral("filler"))));
        steps_->PushButton5_Click();
        QCOMPARE(host_->current, 2);
        QCOMPARE(QImageReader(source).size(), QSize(300, 200));
        QCOMPARE(Entries(disk.dir.path()), QStringList{name});
    }

    void ReadOnlyDisk_Should_BeToldAndTheSourceKept() {
        SmallDisk disk(QStringLiteral("256k"));
        if (!disk.mounted) QSKIP("a small disk cannot be mounted here (needs the superuser)");
        const QString source = disk.Path(QStringLiteral("photo.jpg"));
        QVERIFY(TestPicture(40, 30).save(source, "JPEG"));
        const QByteArray before = FileHash(source);
        QVERIFY(disk.MakeReadOnly());
        host_->Start({source, QStringLiteral("/p/next.jpg")});
        host_->image = TestPicture(40, 30);
        SaveBesideSource();

        steps_->PushButton5_Click();

        QCOMPARE(dialogs_->Messages().size(), 1);
        QVERIFY2(dialogs_->Messages()[0].contains(
                     QStringLiteral("no file can be created in the folder")),
                 qPrintable(dialogs_->Messages()[0]));
        QCOMPARE(FileHash(source), before);
        QCOMPARE(Entries(disk.dir.path()), QStringList{QStringLiteral("photo.jpg")});

        // Saved into another folder instead, it is written there.
        QTemporaryDir elsewhere;
        SaveToFolder(elsewhere.path());
        steps_->PushButton5_Click();
        QCOMPARE(host_->current, 2);
        QCOMPARE(Entries(elsewhere.path()), QStringList{QStringLiteral("photo.jpg")});
    }

    void CrashingConverter_Should_BeToldAndTheSourceKept() {
        QTemporaryDir bin, photos;
        steps_->converter.program =
            WriteScript(bin.filePath(QStringLiteral("brisvane-convert")), "kill -SEGV $$");
        const QString source = photos.filePath(QStringLiteral("photo.png"));
        QVERIFY(TestPicture(40, 30).save(source, "PNG"));
        const QByteArray before = FileHash(source);
        host_->Start({source});
        SaveBesideSource();

        steps_->PushButton5_Click();

        QCOMPARE(dialogs_->Messages().size(), 1);
        QVERIFY2(dialogs_->Messages()[0].contains(QStringLiteral("converter failed")),
                 qPrintable(dialogs_->Messages()[0]));
        QCOMPARE(FileHash(source), before);
        QCOMPARE(Entries(photos.path()), QStringList{QStringLiteral("photo.png")});
    }
};

QTEST_MAIN(SavePlacesTest)
#include "SavePlacesTest.moc"
