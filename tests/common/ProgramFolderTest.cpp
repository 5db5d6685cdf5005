#include <QtTest>

#include "common/AppInfo.h"

// The program folder and helper programs in a build tree (files beside the programs) and in an
// installation (programs in bin/, files in share/brisvane/).
class ProgramFolderTest : public QObject {
    Q_OBJECT

    static void MakeFile(const QString& path) {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    static QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

private Q_SLOTS:
    void ProgramFolderFor_Should_TakeTheExecutablesFolder_When_ItHoldsProgramFiles() {
        for (const char* marker : {"HAND-M.CUR", "drag.ico", "x/o.cjs", "Samples/a.jpg"}) {
            QTemporaryDir root;
            MakeFile(root.filePath(QStringLiteral("bin/") + QLatin1String(marker)));
            MakeFile(root.filePath(
                QStringLiteral("share/brisvane/HAND-M.CUR")));  // both present: beside wins
            QCOMPARE(ProgramFolderFor(root.filePath(QStringLiteral("bin"))),
                     Native(root.filePath(QStringLiteral("bin"))));
        }
    }

    void ProgramFolderFor_Should_TakeShareBrisvane_When_InstalledLayout() {
        QTemporaryDir root;
        MakeFile(root.filePath(QStringLiteral("bin/brisvane")));
        MakeFile(
            root.filePath(QStringLiteral("bin/brisvane-convert")));  // programs alone are no marker
        MakeFile(root.filePath(QStringLiteral("share/brisvane/Samples/Coffee.jpg")));
        QCOMPARE(ProgramFolderFor(root.filePath(QStringLiteral("bin"))),
                 Native(root.filePath(QStringLiteral("share/brisvane"))));
        // A trailing separator on the executable's folder changes nothing.
        QCOMPARE(ProgramFolderFor(root.filePath(QStringLiteral("bin/"))),
                 Native(root.filePath(QStringLiteral("share/brisvane"))));
    }

    void ProgramFolderFor_Should_FallBackToTheExecutablesFolder_When_NeitherHasFiles() {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("share/other")));
        QCOMPARE(ProgramFolderFor(root.filePath(QStringLiteral("bin"))),
                 Native(root.filePath(QStringLiteral("bin"))));
    }

    void HelperProgramPathIn_Should_PreferBesideTheExecutable_ThenTheProgramFolder() {
#ifdef Q_OS_WIN
        const QString name = QStringLiteral("brisvane-convert.exe");
#else
        const QString name = QStringLiteral("brisvane-convert");
#endif
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("bin"));
        const QString share = root.filePath(QStringLiteral("share/brisvane"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(share));
        const QString beside = Native(bin + QLatin1Char('/') + name);
        const QString inShare = Native(share + QLatin1Char('/') + name);

        // Neither: the path beside the executable, for the message that it is missing.
        QCOMPARE(HelperProgramPathIn(bin, share, QStringLiteral("brisvane-convert")), beside);
        MakeFile(share + QLatin1Char('/') + name);
        QCOMPARE(HelperProgramPathIn(bin, share, QStringLiteral("brisvane-convert")), inShare);
        MakeFile(bin + QLatin1Char('/') + name);
        QCOMPARE(HelperProgramPathIn(bin, share, QStringLiteral("brisvane-convert")), beside);
    }

    void HelperProgramPath_Should_LookInTheProgramFolder_When_NotBesideTheExecutable() {
        // Test programs have no converter beside them.
        QTemporaryDir program;
        MakeFile(program.filePath(QStringLiteral("brisvane-convert")));
        MakeFile(program.filePath(QStringLiteral("brisvane-convert.exe")));
        SetProgramFolder(program.path());
        const QString found = HelperProgramPath(QStringLiteral("brisvane-convert"));
        SetProgramFolder(QString());
        QCOMPARE(QFileInfo(found).absolutePath(), QFileInfo(program.path()).absoluteFilePath());
    }
};

QTEST_MAIN(ProgramFolderTest)
#include "ProgramFolderTest.moc"
