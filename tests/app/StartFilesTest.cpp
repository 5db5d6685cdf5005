#include <QtTest>

#include "app/StartFiles.h"
#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "filelist/Form1.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

using namespace TestFiles;

// Pictures named on the command line or by a file manager go into the list at start-up.
class StartFilesTest : public QObject {
    Q_OBJECT
    QTemporaryDir settings_;
    QTemporaryDir program_;
    QTemporaryDir files_;

    QString File(const QString& name) const {
        return QDir::toNativeSeparators(files_.filePath(name));
    }

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        UseSettingsFolder(settings_.path());
        SetProgramFolder(program_.path());
        SaveSetting(QStringLiteral("Snapshot"), QStringLiteral("kept"));
        for (const char* f : {"a.jpg", "b.bmp", "Ürlaub 写真.gif", "holiday/c.jpg"})
            Touch(File(QString::fromUtf8(f)));
    }

    void SortStartPaths_Should_KeepOrderAndMakePathsAbsolute() {
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(files_.path()));
        const StartPaths sorted =
            SortStartPaths({File(QStringLiteral("b.bmp")), QStringLiteral("a.jpg"),
                            QStringLiteral("./holiday/../b.bmp"), QStringLiteral("holiday")});
        QDir::setCurrent(previous);
        QCOMPARE(sorted.found,
                 QStringList({File(QStringLiteral("b.bmp")), File(QStringLiteral("a.jpg")),
                              File(QStringLiteral("b.bmp")), File(QStringLiteral("holiday"))}));
        QCOMPARE(sorted.missing, QStringList());
    }

    void SortStartPaths_Should_ReadFileAddresses() {
        const QString address =
            QUrl::fromLocalFile(files_.filePath(QString::fromUtf8("Ürlaub 写真.gif")))
                .toString(QUrl::FullyEncoded);
        QVERIFY(address.contains(QStringLiteral("%20")));
        QCOMPARE(SortStartPaths({address}).found,
                 QStringList({File(QString::fromUtf8("Ürlaub 写真.gif"))}));
    }

    void SortStartPaths_Should_SetAsideNamesThatDoNotExist() {
        const QStringList names{File(QStringLiteral("gone.jpg")), QString(),
                                QStringLiteral("file:///no/such/file.jpg"),
                                QStringLiteral("http://example.com/a.jpg")};
        const StartPaths sorted =
            SortStartPaths(names + QStringList{File(QStringLiteral("a.jpg"))});
        QCOMPARE(sorted.found, QStringList({File(QStringLiteral("a.jpg"))}));
        QCOMPARE(sorted.missing, names);
    }

    void AddStartFiles_Should_AppendExistingFilesAndFolderContentsToTheList() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.List().Append(
            File(QStringLiteral("b.bmp")));  // whatever the load step left stays first
        const QStringList skipped = AddStartFiles(
            form, {File(QStringLiteral("a.jpg")), File(QStringLiteral("gone.jpg")),
                   File(QStringLiteral("holiday")), File(QString::fromUtf8("Ürlaub 写真.gif"))});
        QCOMPARE(skipped, QStringList({File(QStringLiteral("gone.jpg"))}));
        QCOMPARE(form.List().Paths(),
                 QStringList({File(QStringLiteral("b.bmp")), File(QStringLiteral("a.jpg")),
                              File(QStringLiteral("holiday/c.jpg")),
                              File(QString::fromUtf8("Ürlaub 写真.gif"))}));
        QCOMPARE(dialogs.Messages(),
                 QStringList());  // a missing name is no reason for a message box
    }

    void AddStartFiles_Should_LeaveTheListEmpty_When_NothingExists() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        AddStartFiles(form,
                      {File(QStringLiteral("x.jpg")), QStringLiteral("file:///no/such/folder/")});
        AddStartFiles(form, {});
        QCOMPARE(form.List().Count(), 0);
    }
};

QTEST_MAIN(StartFilesTest)
#include "StartFilesTest.moc"
