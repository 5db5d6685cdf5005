#include <QTemporaryDir>
#include <QtTest>

#include "output/OutputNaming.h"
#include "support/TestFiles.h"

class OutputNamingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void BuildOutputPath_Should_JoinChosenFolderAndSourceName() {
        const SaveChoice toOut{true, false, QStringLiteral("/out/")};
        QCOMPARE(BuildOutputPath(QStringLiteral("/pics/IMG_1.JPG"), toOut),
                 QStringLiteral("/out/IMG_1.JPG"));
        // typed without a final separator
        const SaveChoice typed{true, false, QStringLiteral("/out")};
        QCOMPARE(BuildOutputPath(QStringLiteral("/pics/IMG_1.JPG"), typed),
                 QStringLiteral("/out/IMG_1.JPG"));
        // the root folder
        const SaveChoice root{true, false, QStringLiteral("/")};
        QCOMPARE(BuildOutputPath(QStringLiteral("/pics/a b.png"), root),
                 QStringLiteral("/a b.png"));
    }

    void BuildOutputPath_Should_GiveTheSourcePath_When_SavingBesideIt() {
        const SaveChoice beside{false, true, QStringLiteral("/ignored/")};
        QCOMPARE(BuildOutputPath(QStringLiteral("/pics/IMG_1.gif"), beside),
                 QStringLiteral("/pics/IMG_1.gif"));
    }

    void BuildOutputPath_Should_BeEmpty_When_NoOptionIsSet() {
        QCOMPARE(BuildOutputPath(QStringLiteral("/pics/IMG_1.gif"),
                                 SaveChoice{false, false, QStringLiteral("/out/")}),
                 QString());
    }

    void SplitOutputName_Should_CutKnownExtensionsAndLowerTheKey() {
        const OutputName jpg = SplitOutputName(QStringLiteral("/out/IMG_1.JPG"));
        QCOMPARE(jpg.base, QStringLiteral("/out/IMG_1"));
        QCOMPARE(jpg.key, QStringLiteral("jpg"));
        const OutputName jpeg = SplitOutputName(QStringLiteral("/pics/a.jpeg"));
        QCOMPARE(jpeg.base, QStringLiteral("/pics/a.jpeg"));
        QCOMPARE(jpeg.key, QStringLiteral("jpeg"));
    }

    void SplitOutputName_Should_GiveNoFormat_When_TheNameHasNoExtension() {
        const OutputName noDot = SplitOutputName(QStringLiteral("/pics/photo"));
        QCOMPARE(noDot.key, QStringLiteral("/pics/photo"));
        QCOMPARE(FormatForKey(noDot.key), ResultFormat::None);
        const OutputName folderDot = SplitOutputName(QStringLiteral("/my.pics/photo"));
        QCOMPARE(folderDot.key, QStringLiteral("pics/photo"));
        QCOMPARE(folderDot.base, QStringLiteral("/my.pics/photo"));
        QCOMPARE(TargetFileFor(QStringLiteral("/my.pics/photo")), QString());
    }

    void TargetFileFor_Should_KeepTheSourcesLetterCase() {
        QCOMPARE(TargetFileFor(QStringLiteral("/p/IMG_0001.JPG")),
                 QStringLiteral("/p/IMG_0001.JPG"));
        QCOMPARE(TargetFileFor(QStringLiteral("/p/photo.jpg")), QStringLiteral("/p/photo.jpg"));
        QCOMPARE(TargetFileFor(QStringLiteral("/p/Scan.Bmp")), QStringLiteral("/p/Scan.Bmp"));
        QCOMPARE(TargetFileFor(QStringLiteral("/p/x.PNG")), QStringLiteral("/p/x.PNG"));
        QCOMPARE(TargetFileFor(QStringLiteral("/p/x.gif")), QStringLiteral("/p/x.gif"));
    }

    void TargetFileFor_Should_AddJpg_When_TheSourceIsJpeg() {
        QCOMPARE(TargetFileFor(QStringLiteral("/p/a.jpeg")), QStringLiteral("/p/a.jpeg.jpg"));
        QCOMPARE(TargetFileFor(QStringLiteral("/p/a.JPEG")), QStringLiteral("/p/a.JPEG.jpg"));
    }

    void TargetFileFor_Should_BeEmpty_When_TheFormatCannotBeWritten() {
        QCOMPARE(TargetFileFor(QStringLiteral("/p/scan.tif")), QString());
        QCOMPARE(TargetFileFor(QStringLiteral("/p/notes.txt")), QString());
        QCOMPARE(TargetFileFor(QString()), QString());
    }

    // One folder of results from many cards: a name written from one source is never taken by
    // another in the same run, while each source keeps replacing its own result.
    void WrittenTargets_Should_GiveAnotherSourceTheNextFreeName() {
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("IMG_0001.JPG"));
        const QString a = QStringLiteral("/card1/IMG_0001.JPG"),
                      b = QStringLiteral("/card2/IMG_0001.JPG"),
                      c = QStringLiteral("/card3/IMG_0001.JPG"),
                      d = QStringLiteral("/card4/IMG_0001.JPG");
        const auto numbered = [&](int n) {
            return out.filePath(QStringLiteral("IMG_0001 (%1).JPG").arg(n));
        };
        WrittenTargets written;
        TestFiles::Touch(target);  // from before this run: replaced as ever
        QCOMPARE(written.TargetFor(target, a), target);
        written.Record(target, a);
        QCOMPARE(written.TargetFor(target, QStringLiteral("/card1/../card1/IMG_0001.JPG")), target);
        QCOMPARE(written.TargetFor(target, b), numbered(2));
        written.Record(numbered(2), b);
        TestFiles::Touch(numbered(3));  // a file of that name already there is not taken
        QCOMPARE(written.TargetFor(target, c), numbered(4));
        written.Record(numbered(4), c);
        QCOMPARE(written.TargetFor(target, b), numbered(2));  // b again: its own result
        QCOMPARE(written.TargetFor(target, a), target);
        QCOMPARE(written.TargetFor(target, d), numbered(5));
        QCOMPARE(written.SourceOf(target), a);
        QCOMPARE(written.SourceOf(numbered(3)), QString());
        // the number goes before the extension, whatever dots come before it
        QCOMPARE(written.TargetFor(out.filePath(QStringLiteral("IMG_0001 (2).JPG")), a),
                 out.filePath(QStringLiteral("IMG_0001 (2) (2).JPG")));
        const QString jpeg = out.filePath(QStringLiteral("a.jpeg.jpg"));
        written.Record(jpeg, a);
        QCOMPARE(written.TargetFor(jpeg, b), out.filePath(QStringLiteral("a.jpeg (2).jpg")));
    }
};

QTEST_MAIN(OutputNamingTest)
#include "OutputNamingTest.moc"
