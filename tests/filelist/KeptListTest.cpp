#include <QtTest>

#include "filelist/KeptList.h"
#include "support/TestFiles.h"

Q_DECLARE_METATYPE(QList<KeptEntry>)

// The list kept between runs must come back as it was; a damaged or stale file gives what it
// can without ever stopping the start.
class KeptListTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void RoundTrip_Should_GiveBackEveryNameAndMark_data() {
        QTest::addColumn<QList<KeptEntry>>("entries");
        QTest::newRow("in order, duplicates kept")
            << QList<KeptEntry>{{QStringLiteral("/b.jpg"), true},
                                {QStringLiteral("/a.jpg"), false},
                                {QStringLiteral("/b.jpg"), true}};
        QTest::newRow("spaces, line breaks, %, +")
            << QList<KeptEntry>{{QStringLiteral(" /p/two\nlines\r 100%25 + - %.jpg "), false}};
        QTest::newRow("not ASCII, Windows path")
            << QList<KeptEntry>{{QStringLiteral("/home/u/Ürlaub 写真/😀.gif"), true},
                                {QStringLiteral("C:\\Fotos\\a;b,c.bmp"), false}};
    }
    void RoundTrip_Should_GiveBackEveryNameAndMark() {
        QFETCH(QList<KeptEntry>, entries);
        const QString file = dir_.filePath(QStringLiteral("new folder/list.txt"));
        QVERIFY(WriteKeptList(file, entries));  // the folder is made
        QCOMPARE(ReadKeptList(file).entries, entries);
        QCOMPARE(QDir(dir_.filePath(QStringLiteral("new folder"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("list.txt")});  // nothing else left behind
    }

    void DamagedFile_Should_GiveTheEntriesThatCanStillBeRead_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("entries");  // /a.jpg and /b.jpg, when 2
        QTest::newRow("junk lines, no header, Windows line ends, cut off")
            << QByteArray("\0\xff\xfe junk\r\n- /a.jpg\r\n*\n+\n-  \n? /x\n+ /b.jpg\n- ", 44) << 2;
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 0;
    }
    void DamagedFile_Should_GiveTheEntriesThatCanStillBeRead() {
        QFETCH(QByteArray, text);
        QFETCH(int, entries);
        const KeptList kept = ParseKeptList(text);
        QCOMPARE(kept.entries.size(), entries);
        if (entries == 2)
            QCOMPARE(kept.entries, (QList<KeptEntry>{{QStringLiteral("/a.jpg"), false},
                                                     {QStringLiteral("/b.jpg"), true}}));
        const QString big = TestFiles::Touch(dir_.filePath(QStringLiteral("big.txt")), "- /a\n");
        QVERIFY(QFile::resize(big, MaxKeptListBytes + 1));
        QVERIFY(ReadKeptList(big).entries.isEmpty());
        QVERIFY(ReadKeptList(dir_.filePath(QStringLiteral("absent.txt"))).entries.isEmpty());
    }

    // Moved, renamed or deleted files are dropped and counted; a folder is not a picture.
    void Restoring_Should_DropEntriesWhoseFilesAreGone() {
        QTemporaryDir photos;
        const QString kept = TestFiles::Touch(photos.filePath(QStringLiteral("a.jpg")));
        TestFiles::MakeDir(photos.filePath(QStringLiteral("folder.jpg")));
        const KeptList last{{{kept, true},
                             {photos.filePath(QStringLiteral("moved.jpg")), false},
                             {photos.filePath(QStringLiteral("folder.jpg")), false}}};
        QCOMPARE(RestoreOfferText(last),
                 QStringLiteral("Restore the last list (3 pictures, 1 saved)"));
        const RestoredList restored = DropGoneEntries(last);
        QCOMPARE(restored.present, (QList<KeptEntry>{{kept, true}}));
        QCOMPARE(RestoredNoteText(restored),
                 QStringLiteral("Restored 1 picture of the last list. 2 pictures were left out: "
                                "their files are no longer there."));
    }
};

QTEST_GUILESS_MAIN(KeptListTest)
#include "KeptListTest.moc"
