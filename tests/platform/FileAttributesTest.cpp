#include <QtTest>

#include "platform/FileAttributes.h"

namespace {
QString Touch(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot create %s", qPrintable(path));
    return path;
}
}  // namespace

class FileAttributesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void LinuxMapping_Should_GiveTheClassicBits() {
        using namespace FileAttr;
        QTemporaryDir dir;
        const QString plain = Touch(dir.filePath(QStringLiteral("a.jpg")));
        const QString hidden = Touch(dir.filePath(QStringLiteral(".b.jpg")));
        const QString readOnly = Touch(dir.filePath(QStringLiteral(".c.jpg")));
        QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(
            QFile::link(dir.filePath(QStringLiteral("sub")), dir.filePath(QStringLiteral("link"))));

        QCOMPARE(FileAttributes(plain), std::optional<unsigned>(Archive));
        QCOMPARE(FileAttributes(hidden), std::optional<unsigned>(Hidden | Archive));
        QCOMPARE(FileAttributes(readOnly), std::optional<unsigned>(Hidden | Archive | ReadOnly));
        QCOMPARE(FileAttributes(dir.filePath(QStringLiteral("sub"))),
                 std::optional<unsigned>(Directory));
        QCOMPARE(FileAttributes(dir.filePath(QStringLiteral("sub/"))),
                 std::optional<unsigned>(Directory));
        QCOMPARE(FileAttributes(dir.filePath(QStringLiteral("link"))),
                 std::optional<unsigned>(Directory | ReparsePoint));
    }

    void UnreadablePath_Should_HaveNoAttributes() {
        QTemporaryDir dir;
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")),
                            dir.filePath(QStringLiteral("dangling"))));
        QCOMPARE(FileAttributes(dir.filePath(QStringLiteral("missing"))), std::nullopt);
        QCOMPARE(FileAttributes(dir.filePath(QStringLiteral("dangling"))), std::nullopt);
        QCOMPARE(FileAttributes(QString()), std::nullopt);
    }

    void IsRootFolder_Should_HoldOnlyForTheRoot() {
        QVERIFY(IsRootFolder(QStringLiteral("/")));
        QVERIFY(!IsRootFolder(QDir::tempPath()));
        QVERIFY(!IsRootFolder(QString()));
    }
};

QTEST_GUILESS_MAIN(FileAttributesTest)
#include "FileAttributesTest.moc"
