#include <QImageReader>
#include <QtTest>

#include "common/AppInfo.h"
#include "filelist/FileList.h"
#include "filelist/Samples.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

using namespace TestFiles;

namespace {
const QString kQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so that "
    "you can view "
    "them before working with them)?");
}

class SamplesTest : public QObject {
    Q_OBJECT
    QTemporaryDir settings_;
    std::unique_ptr<QTemporaryDir> program_;

    QString Sample(const char* name) {
        return program_->path() + QStringLiteral("/Samples/") + QLatin1String(name);
    }

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        UseSettingsFolder(settings_.path());
        SetAppTitle();
    }

    void init() {
        program_ = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                   QStringLiteral("/Ürlaub 写真-XXXXXX"));
        SetProgramFolder(program_->path());
        SaveSetting(QStringLiteral("Snapshot"), QString());
    }

    void Scramble_Should_AddTheKeyToEachUtf8ByteWrappingAt255() {
        QCOMPARE(ScrambleText(QStringLiteral("a"), SampleKey), QString(QChar(97 + 'q')));
        // "é" is C3 A9: 195 + 'q' = 308 -> 53, 169 + 'u' = 286 -> 31.
        QCOMPARE(ScrambleText(QStringLiteral("é"), SampleKey), QString(QChar(53)) + QChar(31));
        // The key restarts with every call.
        QCOMPARE(ScrambleText(QStringLiteral("aa"), SampleKey),
                 ScrambleText(QStringLiteral("aa"), SampleKey));
        QCOMPARE(ScrambleText(QString(), SampleKey), QString());
    }

    void Scramble_Should_RoundTripEveryCode() {
        QString all;
        for (int c = 1; c <= 255; ++c) all += QChar(c);
        const QString scrambled = ScrambleText(all, SampleKey);
        QCOMPARE(scrambled.size(), all.toUtf8().size());
        for (QChar c : scrambled) QVERIFY(c.unicode() >= 1 && c.unicode() <= 255);
        QCOMPARE(UnscrambleText(scrambled, SampleKey), all);
        const QString path = QStringLiteral("/home/Ürlaub/写真 Ελλάδα/😀.jpg|/x/y.bmp");
        QCOMPARE(UnscrambleText(ScrambleText(path, SampleKey), SampleKey), path);
    }

    void RegisteredSamples_Should_BeAddedOnceInFolderOrder() {
        for (const char* f : {"b.bmp", "a.jpg", "c.gif"}) Touch(Sample(f));
        RegisterSamples();
        QCOMPARE(UnscrambleText(GetSetting(QStringLiteral("Snapshot")), SampleKey),
                 QStringList({Sample("a.jpg"), Sample("b.bmp"), Sample("c.gif")})
                     .join(QLatin1Char('|')));

        ScriptedDialogs dialogs;
        FileList list;
        LoadSamples(list);
        QCOMPARE(list.Paths(), (QStringList{Sample("a.jpg"), Sample("b.bmp"), Sample("c.gif")}));
        LoadSamples(list);
        QCOMPARE(list.Count(), 3);
        QCOMPARE(dialogs.Messages(), (QStringList{kQuestion, kQuestion}));
        QCOMPARE(dialogs.shown[0].buttons, Dialogs::Buttons::YesNo);
        QVERIFY(dialogs.shown[0].caption.isEmpty());  // the application title

        list.RemoveAt(1);
        LoadSamples(list);
        QCOMPARE(list.Paths(), (QStringList{Sample("b.bmp"), Sample("c.gif"), Sample("a.jpg")}));
    }

    void DeletedSample_Should_BeSkippedQuietly() {
        Touch(Sample("a.jpg"));
        Touch(Sample("b.jpg"));
        RegisterSamples();
        QFile::remove(Sample("a.jpg"));
        ScriptedDialogs dialogs;
        FileList list;
        LoadSamples(list);
        QCOMPARE(list.Paths(), QStringList{Sample("b.jpg")});
        QCOMPARE(dialogs.Messages(), QStringList{kQuestion});
    }

    void Yes_Should_OpenTheSampleFolderEvenWhenNothingWasAdded() {
        ScriptedDialogs dialogs;
        dialogs.answers.enqueue(Dialogs::Answer::Yes);
        FileList list;
        LoadSamples(list);  // nothing recorded
        QCOMPARE(list.Count(), 0);
        QCOMPARE(dialogs.shown.last().kind, QStringLiteral("openfolder"));
        QCOMPARE(dialogs.shown.last().text, program_->path() + QStringLiteral("/Samples/"));
    }

    void EmptyOrMissingSampleFolder_Should_RecordAnEmptyList() {
        SaveSetting(QStringLiteral("Snapshot"), QStringLiteral("old"));
        RegisterSamples();
        QCOMPARE(GetSetting(QStringLiteral("Snapshot"), QStringLiteral("absent")), QString());
        MakeDir(program_->path() + QStringLiteral("/Samples"));
        RegisterSamples();
        QCOMPARE(GetSetting(QStringLiteral("Snapshot"), QStringLiteral("absent")), QString());
    }

    void ShippedSamples_Should_IncludeAJpegABitmapAndAGifThatLoad() {
        const QDir shipped(qEnvironmentVariable("BRISVANE_PROGRAM_DIR") +
                           QStringLiteral("/Samples"));
        QStringList formats;
        for (const QFileInfo& f : shipped.entryInfoList(QDir::Files)) {
            QImageReader reader(f.filePath());
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(f.fileName()));
            QVERIFY(image.width() <= 1024);
            formats << QString::fromLatin1(QImageReader::imageFormat(f.filePath()));
        }
        QVERIFY(formats.contains(QStringLiteral("jpeg")));
        QVERIFY(formats.contains(QStringLiteral("bmp")));
        QVERIFY(formats.contains(QStringLiteral("gif")));
    }
};

QTEST_MAIN(SamplesTest)
#include "SamplesTest.moc"
