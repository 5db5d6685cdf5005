#include <QtTest>

#include "filelist/KeptList.h"
#include "platform/SettingsStore.h"
#include "support/TestFiles.h"

Q_DECLARE_METATYPE(QList<KeptEntry>)

// The list kept between runs must come back as it was, and a damaged or stale file must give
// what it can without ever stopping the start.
class KeptListTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString File(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() { UseSettingsFolder(dir_.filePath(QStringLiteral("settings"))); }

    void RoundTrip_Should_GiveBackEveryNameAndMark_data() {
        QTest::addColumn<QList<KeptEntry>>("entries");
        const auto one = [](const char* path, bool saved) {
            return QList<KeptEntry>{{QString::fromUtf8(path), saved}};
        };
        QTest::newRow("plain") << one("/photos/IMG_0412.jpg", false);
        QTest::newRow("saved") << one("/photos/IMG_0411.jpg", true);
        QTest::newRow("spaces kept") << one("  /a b/c d.jpg ", false);
        QTest::newRow("line break in a name") << one("/p/two\nlines\r.jpg", true);
        QTest::newRow("percent and plus") << one("/p/100%25 + - %.jpg", false);
        QTest::newRow("not ASCII") << one("/home/u/Ürlaub 写真/😀.gif", true);
        QTest::newRow("a Windows path") << one("C:\\Fotos\\a;b,c.bmp", false);
        QTest::newRow("many, in order") << QList<KeptEntry>{{QStringLiteral("/b.jpg"), true},
                                                            {QStringLiteral("/a.jpg"), false},
                                                            {QStringLiteral("/b.jpg"), true}};
        QTest::newRow("empty") << QList<KeptEntry>{};
    }
    void RoundTrip_Should_GiveBackEveryNameAndMark() {
        QFETCH(QList<KeptEntry>, entries);
        QCOMPARE(ParseKeptList(KeptListText(entries)).entries, entries);
        const QString file = File(QStringLiteral("new folder/list.txt"));  // made when missing
        QVERIFY(WriteKeptList(file, entries));
        QCOMPARE(ReadKeptList(file).entries, entries);
        QCOMPARE(QDir(File(QStringLiteral("new folder"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("list.txt")});  // no temporary file left behind
    }

    void DamagedFile_Should_GiveTheEntriesThatCanStillBeRead_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("paths");
        const QStringList ab{QStringLiteral("/a.jpg"), QStringLiteral("/b.jpg")};
        QTest::newRow("no header") << QByteArray("- /a.jpg\n+ /b.jpg\n") << ab;
        QTest::newRow("cut off in the last line")
            << QByteArray("Brisvane list 1\n- /a.jpg\n+ /b.jpg\n- ") << ab;
        QTest::newRow("Windows line ends")
            << QByteArray("Brisvane list 1\r\n- /a.jpg\r\n+ /b.jpg") << ab;
        QTest::newRow("junk between")
            << QByteArray("Brisvane list 1\n") + QByteArray("\0\xff\xfe garbage\n", 12) +
                   QByteArray("- /a.jpg\n*\n+\n-  \n? /x\n+ /b.jpg\n")
            << ab;
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << QStringList();
    }
    void DamagedFile_Should_GiveTheEntriesThatCanStillBeRead() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, paths);
        QStringList read;
        for (const KeptEntry& e : ParseKeptList(text).entries) read << e.path;
        QCOMPARE(read, paths);
    }

    void MissingOrOversizedFile_Should_GiveAnEmptyList() {
        QVERIFY(ReadKeptList(File(QStringLiteral("absent.txt"))).entries.isEmpty());
        QFile big(File(QStringLiteral("big.txt")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write("- /a.jpg\n");
        QVERIFY(big.resize(MaxKeptListBytes + 1));
        big.close();
        QVERIFY(ReadKeptList(big.fileName()).entries.isEmpty());
    }

    void Restoring_Should_DropEntriesWhoseFilesAreGoneAndSayHowMany_data() {
        QTest::addColumn<QStringList>("missing");  // of a.jpg, b.jpg, c.jpg
        QTest::addColumn<QString>("note");
        QTest::newRow("all there")
            << QStringList() << QStringLiteral("Restored 3 pictures of the last list.");
        QTest::newRow("one moved")
            << QStringList{QStringLiteral("b.jpg")}
            << QStringLiteral(
                   "Restored 2 pictures of the last list. 1 picture was left out: its "
                   "file is no longer there.");
        QTest::newRow("two moved")
            << QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")}
            << QStringLiteral(
                   "Restored 1 picture of the last list. 2 pictures were left out: "
                   "their files are no longer there.");
    }
    void Restoring_Should_DropEntriesWhoseFilesAreGoneAndSayHowMany() {
        QFETCH(QStringList, missing);
        QFETCH(QString, note);
        QTemporaryDir photos;
        KeptList kept;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            const QString path = photos.filePath(QString::fromLatin1(name));
            if (!missing.contains(QString::fromLatin1(name))) TestFiles::Touch(path);
            kept.entries << KeptEntry{path, name[0] == 'a'};
        }
        QVERIFY(QDir(photos.path()).mkdir(QStringLiteral("folder.jpg")));  // not a file
        kept.entries << KeptEntry{photos.filePath(QStringLiteral("folder.jpg")), false};
        const RestoredList restored = DropGoneEntries(kept);
        QCOMPARE(restored.present.size() + restored.gone, kept.entries.size());
        for (const KeptEntry& e : restored.present) {
            QVERIFY(QFileInfo(e.path).isFile());
            QCOMPARE(e.saved, e.path.endsWith(QStringLiteral("a.jpg")));  // marks come back
        }
        RestoredList counted = restored;
        counted.gone -= 1;  // the folder
        QCOMPARE(RestoredNoteText(counted), note);
    }

    void Offer_Should_CountPicturesAndSavedOnes() {
        KeptList kept;
        for (int i = 0; i < 120; ++i)
            kept.entries << KeptEntry{QStringLiteral("/p/%1.jpg").arg(i), i < 37};
        QVERIFY(kept.HasUnsaved());
        QCOMPARE(RestoreOfferText(kept),
                 QStringLiteral("Restore the last list (120 pictures, 37 saved)"));
        for (KeptEntry& e : kept.entries) e.saved = true;
        QVERIFY(!kept.HasUnsaved());
        QVERIFY(KeptListFile().startsWith(SettingsFolderPath()));
    }
};

QTEST_GUILESS_MAIN(KeptListTest)
#include "KeptListTest.moc"
