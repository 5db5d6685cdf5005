#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>

#include "filelist/AddFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

using namespace TestFiles;

class AddFolderTest : public QObject {
    Q_OBJECT
    QStringList Scan(const QString& root, bool recursive = true) {
        QStringList list{root + QLatin1Char('/')};
        GetSubDirectories2016(list, recursive);
        return list;
    }

private Q_SLOTS:
    void Scan_Should_ListFoldersBreadthFirst() {
        QTemporaryDir tmp;
        const QString r = tmp.path();
        for (const char* d : {"b/b1", "a/a1/deep", "a/a2", "C"})
            MakeDir(r + QLatin1Char('/') + QLatin1String(d));
        QCOMPARE(Scan(r), (QStringList{r + "/", r + "/a/", r + "/b/", r + "/C/", r + "/a/a1/",
                                       r + "/a/a2/", r + "/b/b1/", r + "/a/a1/deep/"}));
        QCOMPARE(Scan(r, false), (QStringList{r + "/", r + "/a/", r + "/b/", r + "/C/"}));
    }

    void Scan_Should_NotFollowLinksBackIntoTheTree() {
        QTemporaryDir tmp;
        const QString r = tmp.path();
        MakeDir(r + "/a/a1");
        MakeDir(r + "/b");
        QVERIFY(QFile::link(r, r + "/a/a1/up"));        // to an ancestor
        QVERIFY(QFile::link(r + "/a", r + "/a/self"));  // to itself
        QVERIFY(QFile::link(r + "/a", r + "/b/toA"));   // to a folder already in the scan
        QVERIFY(QFile::link(r + "/gone", r + "/b/dangling"));
        QCOMPARE(Scan(r), (QStringList{r + "/", r + "/a/", r + "/b/", r + "/a/a1/"}));
    }

    void Scan_Should_FollowALinkToAFolderOutsideTheTree() {
        QTemporaryDir tmp, outside;
        MakeDir(outside.path() + "/x");
        QVERIFY(QFile::link(outside.path(), tmp.path() + "/out"));
        QCOMPARE(Scan(tmp.path()),
                 (QStringList{tmp.path() + "/", tmp.path() + "/out/", tmp.path() + "/out/x/"}));
    }

    void Scan_Should_SkipFoldersWithBadNamesAndMissingStartFolders() {
        QTemporaryDir tmp;
        const QString r = tmp.path();
        MakeDir(r + "/ok");
        MakeDir(r + "/what?");
        MakeDir(r + QStringLiteral("/tab\there"));
        // A name that is not UTF-8 cannot be expressed, so it is not scanned.
        const QByteArray undecodable = QFile::encodeName(r + "/").append("\xff\xfe");
        QVERIFY(::mkdir(undecodable.constData(), 0755) == 0);
        QStringList list{r + "/missing/", r + "/"};
        GetSubDirectories2016(list, true);
        ::rmdir(undecodable.constData());
        QCOMPARE(list, (QStringList{r + "/missing/", r + "/", r + "/ok/"}));
    }

    void Scan_Should_HandleNamesInAnyLanguageAndPathsOfAnyLength() {
        QTemporaryDir tmp;
        const QString r = tmp.path();
        QString deep = r;
        for (int i = 0; i < 4; ++i)
            deep += QLatin1Char('/') + QString(120, QChar(u'é'));  // > 1000 bytes
        MakeDir(deep);
        MakeDir(r + QStringLiteral("/Ürlaub/写真"));
        const QStringList list = Scan(r);
        QVERIFY(list.contains(deep + QLatin1Char('/')));
        QVERIFY(list.contains(r + QStringLiteral("/Ürlaub/写真/")));
        Touch(deep + QStringLiteral("/写真.jpg"));
        QCOMPARE(ListFiles(deep, QStringLiteral("*.jpg")), QStringList{QStringLiteral("写真.jpg")});
    }

    void Scan_Should_LetWindowEventsRunBetweenFolders() {
        QTemporaryDir tmp;
        for (int i = 0; i < 50; ++i) MakeDir(tmp.path() + QStringLiteral("/f%1/g").arg(i));
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(0);
        Scan(tmp.path());
        QVERIFY(ticks > 0);
    }

    void UnreadableFolder_Should_BeDroppedAndItsSiblingsScanned() {
        if (::geteuid() == 0) QSKIP("the superuser reads every folder");
        QTemporaryDir tmp;
        const QString r = tmp.path();
        MakeDir(r + "/a/inner");
        MakeDir(r + "/b/inner");
        QFile::setPermissions(r + "/a", QFile::WriteOwner);
        QCOMPARE(Scan(r), (QStringList{r + "/", r + "/b/", r + "/b/inner/"}));
        QFile::setPermissions(r + "/a", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Folders taken away while the scan runs (another program, a removed card): whenever it
    // happens, the scan ends, the rest of the tree is still listed, and a listed folder that has
    // gone since simply holds no files.
    void FoldersVanishingMidScan_Should_BeLeftOut() {
        for (int when : {1, 3, 10, 30, 100}) {
            QTemporaryDir tmp;
            const QString r = tmp.path();
            for (const char* d : {"a/a1/deep", "a/a2", "b/b1/x", "b/b2", "c/c1"})
                MakeDir(r + QLatin1Char('/') + QLatin1String(d));
            int ticks = 0;
            QTimer timer;
            connect(&timer, &QTimer::timeout, [&] {
                if (++ticks != when) return;
                QDir(r + "/a").removeRecursively();
                QDir(r + "/b/b1").removeRecursively();
            });
            timer.start(0);
            const QStringList list = Scan(r);
            timer.stop();
            for (const QString& folder : list) {
                const bool gone = folder.startsWith(r + "/a/") || folder.startsWith(r + "/b/b1/");
                QVERIFY2(gone || QFileInfo(folder).isDir(), qPrintable(folder));
                if (gone) QVERIFY(ListFiles(folder, QStringLiteral("*.*")).isEmpty());
            }
            QVERIFY(list.contains(r + "/c/c1/"));
            QVERIFY(list.contains(r + "/b/b2/"));
        }
    }

    void ListFiles_Should_MatchAnyLetterCaseAndKeepOnlyFiles() {
        QTemporaryDir tmp;
        const QString r = tmp.path();
        for (const char* f : {"b.JPG", "a.jpg", ".hidden.jpg", "c.bmp", "README", "~x.jpg"})
            Touch(r + "/" + f);
        MakeDir(r + "/folder.jpg");
        QVERIFY(::mkfifo(QFile::encodeName(r + "/pipe.jpg").constData(), 0644) == 0);
        QVERIFY(QFile::link(r + "/a.jpg", r + "/link.jpg"));
        QCOMPARE(ListFiles(r, QStringLiteral("*.jpg")),
                 (QStringList{".hidden.jpg", "a.jpg", "b.JPG", "link.jpg", "~x.jpg"}));
        QCOMPARE(ListFiles(r + "/", QStringLiteral("*.JPG")).size(), 5);
        QCOMPARE(ListFiles(r, QStringLiteral("*.*")),
                 (QStringList{".hidden.jpg", "a.jpg", "b.JPG", "c.bmp", "link.jpg", "README",
                              "~x.jpg"}));
        QVERIFY(ListFiles(r + "/missing", QStringLiteral("*.*")).isEmpty());
    }

    void FileProbes_Should_TellFilesFromEverythingElse() {
        QTemporaryDir tmp;
        const QString file = Touch(tmp.path() + "/a.jpg");
        QVERIFY(::mkfifo(QFile::encodeName(tmp.path() + "/pipe").constData(), 0644) == 0);
        QVERIFY(IsExistingFile(file));
        QVERIFY(!IsExistingFile(tmp.path()));
        QVERIFY(!IsExistingFile(tmp.path() + "/pipe"));
        QVERIFY(!IsExistingFile(tmp.path() + "/missing.jpg"));
        QVERIFY(!IsBadFileName(file));
        QVERIFY(!IsBadFileName(tmp.path()));
        QVERIFY(IsBadFileName(tmp.path() + "/missing.jpg"));
        QVERIFY(IsBadFileName(tmp.path() + QStringLiteral("/\uFFFD.jpg")));
    }

    void HasBadCharacters_Should_FlagControlCodesQuestionMarksAndUndecodableNames() {
        QVERIFY(!HasBadCharacters(QStringLiteral("Ürlaub 写真 (1).jpg")));
        QVERIFY(!HasBadCharacters(QStringLiteral(" ~!#$%&'()*+,-.;=@[]^_`{}")));
        for (char16_t c : {u'\x01', u'\x1f', u'\x7f', u'\x80', u'\x9f', u'?', u'\uFFFD'})
            QVERIFY2(HasBadCharacters(QStringLiteral("a") + QChar(c)),
                     qPrintable(QString::number(c)));
        QVERIFY(!HasBadCharacters(QStringLiteral("\u00a0")));  // 160 is an ordinary character
    }

    void BrowseForFolder_Should_AskWithPromptAndStartFolder_AndCutAtNul() {
        ScriptedDialogs dialogs;
        dialogs.folders.enqueue(QStringLiteral("/home/u/pics") + QChar(0) + QStringLiteral("junk"));
        QCOMPARE(BrowseForFolder(nullptr, QStringLiteral("Please select folder:"),
                                 QStringLiteral("/start")),
                 QStringLiteral("/home/u/pics"));
        QCOMPARE(dialogs.shown.first().kind, QStringLiteral("folder"));
        QCOMPARE(dialogs.shown.first().initial, QStringLiteral("/start"));
        QCOMPARE(BrowseForFolder(nullptr, QStringLiteral("Please select folder:"), QString()),
                 QString());
    }
};

QTEST_MAIN(AddFolderTest)
#include "AddFolderTest.moc"
