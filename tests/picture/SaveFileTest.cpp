#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "picture/FileNames.h"
#include "picture/SaveFile.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

QByteArray Read(const QString& path) {
    QFile file;
    return OpenToRead(file, path).isEmpty() ? file.readAll() : QByteArray();
}

bool Save(const QString& target, const QByteArray& content) {
    SaveFile file(target);
    return file.Open() && file.Device().write(content) == content.size() && file.Commit();
}

}  // namespace

class SaveFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QStringList Entries() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private Q_SLOTS:
    void init() {
        for (const QString& entry : Entries()) QFile::remove(Path(entry));
    }

    void Commit_Should_PutTheFileInPlace_AndLeaveNothingElse() {
        QVERIFY(Save(Path(QStringLiteral("new.png")), "first"));
        QVERIFY(Save(Path(QStringLiteral("new.png")), "second"));
        QCOMPARE(Read(Path(QStringLiteral("new.png"))), QByteArray("second"));
        QCOMPARE(Entries(), QStringList{QStringLiteral("new.png")});
    }

    void AnUncommittedFile_Should_LeaveTheTargetAsItWas_data() {
        QTest::addColumn<bool>("cancel");  // else only dropped
        QTest::newRow("cancelled") << true;
        QTest::newRow("dropped") << false;
    }
    void AnUncommittedFile_Should_LeaveTheTargetAsItWas() {
        QFETCH(bool, cancel);
        QVERIFY(Save(Path(QStringLiteral("kept.jpg")), "old"));
        {
            SaveFile file(Path(QStringLiteral("kept.jpg")));
            QVERIFY(file.Open());
            file.Device().write("half of the new");
            QCOMPARE(Read(Path(QStringLiteral("kept.jpg"))), QByteArray("old"));
            if (cancel) file.Cancel();
        }
        QCOMPARE(Read(Path(QStringLiteral("kept.jpg"))), QByteArray("old"));
        QCOMPARE(Entries(), QStringList{QStringLiteral("kept.jpg")});
    }

    void AMissingFolder_Should_FailOnOpenSayingWhy() {
        SaveFile file(Path(QStringLiteral("no folder/x.png")));
        QVERIFY(!file.Open());
        QVERIFY(!file.Error().isEmpty());
        QVERIFY(!file.Commit());
        QVERIFY(Entries().isEmpty());
    }

    void ALongName_Should_StillFitItsTemporaryName() {
        const QString name = QString(250, QLatin1Char('n')) + QStringLiteral(".jpg");
        QVERIFY(Save(Path(name), "long"));  // most systems take names of up to 255 bytes
        QCOMPARE(Entries(), QStringList{name});
    }

#ifndef Q_OS_WIN
    void ALatin1Name_Should_BeWrittenUnderItsOwnBytes() {
        const QByteArray folder = QFile::encodeName(dir_.path());
        const QByteArray target = folder + "/caf\xe9.jpg";
        QVERIFY(Save(NameFromBytes(target), "coffee"));
        struct stat facts {};
        QCOMPARE(::stat(target.constData(), &facts), 0);
        QCOMPARE(qint64(facts.st_size), 6);
        int entries = 0;  // Qt does not list names that are not UTF-8
        for ([[maybe_unused]] const auto& e :
             std::filesystem::directory_iterator(folder.toStdString()))
            ++entries;
        QCOMPARE(entries, 1);
        QCOMPARE(::unlink(target.constData()), 0);
    }

    void Permissions_Should_BeKeptOnReplace_AndFollowTheMaskForNewFiles() {
        const QByteArray target = QFile::encodeName(Path(QStringLiteral("photo.jpg")));
        struct stat facts {};
        const mode_t mask = ::umask(022);
        QVERIFY(Save(Path(QStringLiteral("photo.jpg")), "new"));
        ::stat(target.constData(), &facts);
        QCOMPARE(facts.st_mode & 0777, mode_t(0644));
        QCOMPARE(::chmod(target.constData(), 0640), 0);
        QVERIFY(Save(Path(QStringLiteral("photo.jpg")), "replaced"));
        ::stat(target.constData(), &facts);
        ::umask(mask);
        QCOMPARE(facts.st_mode & 0777, mode_t(0640));
    }

    void ALink_Should_StayALinkToTheReplacedFile() {
        QVERIFY(Save(Path(QStringLiteral("real.gif")), "old"));
        QVERIFY(QFile::link(Path(QStringLiteral("real.gif")), Path(QStringLiteral("link.gif"))));
        QVERIFY(Save(Path(QStringLiteral("link.gif")), "new"));
        QVERIFY(QFileInfo(Path(QStringLiteral("link.gif"))).isSymLink());
        QCOMPARE(Read(Path(QStringLiteral("real.gif"))), QByteArray("new"));
        QCOMPARE(Entries().size(), 2);
    }

    void AKilledWriter_Should_LeaveNothingBehind() {
        const int probe = ::open(QFile::encodeName(dir_.path()).constData(),
                                 O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (probe < 0) QSKIP("this file system has no nameless files");
        ::close(probe);
        QVERIFY(Save(Path(QStringLiteral("kept.jpg")), "old"));
        const pid_t writer = ::fork();
        if (writer == 0) {  // opens, writes half and dies without a word
            SaveFile file(Path(QStringLiteral("kept.jpg")));
            const bool written = file.Open() && file.Device().write(QByteArray(1 << 20, 'x')) > 0 &&
                                 static_cast<QFile&>(file.Device()).flush();
            ::_exit(written ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(writer, &status, 0), writer);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QCOMPARE(Entries(), QStringList{QStringLiteral("kept.jpg")});
        QCOMPARE(Read(Path(QStringLiteral("kept.jpg"))), QByteArray("old"));
    }

    void AFolder_Should_NotBeReplaced() {
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("folder.png")));
        SaveFile file(Path(QStringLiteral("folder.png")));
        QVERIFY(!file.Open());
        QVERIFY(QFileInfo(Path(QStringLiteral("folder.png"))).isDir());
        QCOMPARE(Entries().size(), 1);
        QDir(dir_.path()).rmdir(QStringLiteral("folder.png"));
    }
#endif
};

QTEST_GUILESS_MAIN(SaveFileTest)
#include "SaveFileTest.moc"
