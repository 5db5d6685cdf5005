#include <QtTest>

#include "common/PathHelpers.h"

class PathHelpersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void NameFolderAndExtension_Should_FollowTheLastSeparatorAndDot() {
        QCOMPARE(FileNameOf(QStringLiteral("/home/u/a.jpg")), QStringLiteral("a.jpg"));
        QCOMPARE(FileNameOf(QStringLiteral("a.jpg")), QStringLiteral("a.jpg"));
        QCOMPARE(FileNameOf(QStringLiteral("/home/u/")), QString());
        QCOMPARE(FolderOf(QStringLiteral("/home/u/a.jpg")), QStringLiteral("/home/u/"));
        QCOMPARE(FolderOf(QStringLiteral("a.jpg")), QString());
        // The last dot lies in a folder name: everything after it.
        QCOMPARE(ExtensionOf(QStringLiteral("/my.pics/photo")), QStringLiteral("pics/photo"));
        QCOMPARE(ExtensionOf(QStringLiteral("/u/IMG_1.JPG")), QStringLiteral("JPG"));
        QCOMPARE(ExtensionOf(QStringLiteral("photo")), QStringLiteral("photo"));
        QCOMPARE(ExtensionOf(QStringLiteral(".bmp")), QStringLiteral(".bmp"));
        QCOMPARE(ExtensionOf(QString()), QString());
    }

    void CollapseBackslashes_Should_MakeDoubledSeparatorsSingleInOnePass() {
        QCOMPARE(CollapseBackslashes(QStringLiteral("/home/u/a.jpg")),
                 QStringLiteral("/home/u/a.jpg"));
        QCOMPARE(CollapseBackslashes(QStringLiteral("/home//u/a.jpg")),
                 QStringLiteral("/home/u/a.jpg"));
        QCOMPARE(CollapseBackslashes(QStringLiteral("//a.jpg")), QStringLiteral("/a.jpg"));
        QCOMPARE(CollapseBackslashes(QStringLiteral("/out///a.jpg")),
                 QStringLiteral("/out//a.jpg"));
        QCOMPARE(CollapseBackslashes(QStringLiteral("/out////a.jpg")),
                 QStringLiteral("/out//a.jpg"));
        QCOMPARE(CollapseBackslashes(QStringLiteral("/Ürlaub//写真.jpg")),
                 QStringLiteral("/Ürlaub/写真.jpg"));
        QCOMPARE(CollapseBackslashes(QString()), QString());
    }

    void FileExists_Should_HoldForFilesAndFolders_FolderExistsOnlyForFolders() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("写真.jpg"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(FileExists(file));
        QVERIFY(FileExists(dir.path()));
        QVERIFY(FolderExists(dir.path()));
        QVERIFY(FolderExists(dir.path() + QLatin1Char('/')));
        QVERIFY(!FolderExists(file));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!FolderExists(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FolderExists(QString()));
    }

    void DesktopFolderPath_Should_EndInExactlyOneSeparator() {
        const QString desktop = DesktopFolderPath();
        QVERIFY(desktop.endsWith(PathSeparator()));
        QVERIFY(!desktop.endsWith(QString(2, PathSeparator())));
        QCOMPARE(desktop.chopped(1),
                 QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    }
};

QTEST_GUILESS_MAIN(PathHelpersTest)
#include "PathHelpersTest.moc"
