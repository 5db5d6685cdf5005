#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "filelist/FileList.h"
#include "inpaint/MarkerColor.h"
#include "output/Fixtures.h"
#include "output/OutputTestSupport.h"
#include "output/SaveOptionFrame.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "support/BadPictures.h"
#include "support/ScriptedDialogs.h"

using namespace OutputTest;

Q_DECLARE_METATYPE(BadPictures::Case)

// Every picture of the bad-picture corpus on the whole road through the real editor: listed,
// shown, marked, removed and saved with the real engine and converter.
class BadPictureRoadTest : public QObject {
    Q_OBJECT
    QTemporaryDir corpus_;
    QList<BadPictures::Case> cases_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<FileList> list_;
    std::unique_ptr<QWidget> listWindow_;
    std::unique_ptr<Form2> form_;

    QString Source(const QString& name) { return dir_->filePath(QStringLiteral("photos/") + name); }
    QString OutFolder() { return dir_->filePath(QStringLiteral("out")); }

    // Copies a corpus file into the photo folder, lists it and shows the editor on it.
    QString Open(const QString& name, bool besideSource) {
        QDir().mkpath(dir_->filePath(QStringLiteral("photos")));
        QDir().mkpath(OutFolder());
        const QString path = Source(name);
        if (!QFile::copy(corpus_.filePath(name), path)) qFatal("cannot copy %s", qPrintable(name));
        list_->Append(path);
        if (besideSource) {
            form_->Frame7->Option4->click();
        } else {
            form_->Frame7->Option3->click();
            form_->Frame7->Text1->setText(OutFolder() + QLatin1Char('/'));
        }
        form_->ShowFromList();
        return path;
    }

    void MarkBox(QPoint from, QPoint to) { DragOnPicture(form_->PicOrg, from, to); }

private Q_SLOTS:
    void initTestCase() {
#ifdef Q_OS_WIN
        QSKIP("runs the converter built for this system only");
#endif
        cases_ = BadPictures::Make(corpus_.path());
    }

    void init() {
        OpenEditor(dir_, dialogs_, list_, listWindow_, form_);
    }

    void cleanup() {
        CloseEditor(dialogs_, list_, listWindow_, form_);
    }

    void EveryCase_Should_BeWorkedOnOrRefusedWithoutLoss_data() {
        QTest::addColumn<BadPictures::Case>("c");
        for (const auto& c : cases_) QTest::newRow(qPrintable(c.name)) << c;
    }
    void EveryCase_Should_BeWorkedOnOrRefusedWithoutLoss() {
        QFETCH(BadPictures::Case, c);
        const QString source = Open(c.name, false);
        const QByteArray before = FileHash(source);

        if (!c.opens) {
            // A plain message naming the file and why, not the report of an unforeseen fault.
            QCOMPARE(dialogs_->shown.size(), 1);
            QVERIFY(dialogs_->shown[0].caption != QStringLiteral("Application Error"));
            QVERIFY2(dialogs_->shown[0].text.startsWith(c.name +
                                                        QStringLiteral(" could not be opened: ")),
                     qPrintable(dialogs_->shown[0].text));
            QVERIFY2(dialogs_->shown[0].text.contains(c.problem),
                     qPrintable(dialogs_->shown[0].text));
            QVERIFY(!form_->HasPicture());
            form_->PushButton3->click();  // Start Removing on nothing
            QCOMPARE(form_->PushButton3->text(), QStringLiteral("Start Removing"));
            QVERIFY(dialogs_->shown[1].text.startsWith(QStringLiteral("Nothing is marked")));
            form_->PushButton5->click();  // Save on nothing
            QCOMPARE(dialogs_->shown.size(), 3);
            QVERIFY2(
                dialogs_->shown[2].text.contains(QStringLiteral("there is no picture on show")),
                qPrintable(dialogs_->shown[2].text));
            QVERIFY(Entries(OutFolder()).isEmpty());
            QCOMPARE(form_->nCurrentFile, 1);  // still there; skipping goes on
            form_->PushButton1->click();
            QCOMPARE(dialogs_->Messages().last(), QStringLiteral("Done."));
        } else {
            QVERIFY2(dialogs_->shown.isEmpty(),
                     qPrintable(dialogs_->Messages().join(QLatin1Char('|'))));
            QCOMPARE(form_->PicOrg->size(), c.size);
            const bool room = c.size.width() >= 12 && c.size.height() >= 12;
            if (room) MarkBox({4, 4}, {7, 7});
            form_->PushButton3->click();
            QCOMPARE(form_->PushButton3->text(), QStringLiteral("Start Removing"));
            form_->PushButton5->click();
            QCOMPARE(dialogs_->Messages().last(), QStringLiteral("Done."));
            const QStringList written = Entries(OutFolder());
            QCOMPARE(written.size(), 1);
            QImageReader reader(QDir(OutFolder()).filePath(written[0]));
            // A photo taken turned is kept as stored, with its orientation tag, like its source;
            // every other result needs no turning.
            const bool turned = c.name == QStringLiteral("exif-rotated.jpg");
            QCOMPARE(reader.transformation(), turned ? QImageIOHandler::TransformationRotate90
                                                     : QImageIOHandler::TransformationNone);
            reader.setAutoTransform(true);  // as a viewer shows it
            const QImage result = reader.read();
            QCOMPARE(result.size(), c.size);
            if (room) QVERIFY(result.pixel(5, 5) != inpaint::kOpaqueMarkerPixel);
            if (turned) {
                QVERIFY(qRed(result.pixel(10, 5)) > 180);  // red above: upright
                QVERIFY(qBlue(result.pixel(10, 35)) > 180);
            }
        }
        QCOMPARE(FileHash(source), before);
        QCOMPARE(Entries(dir_->filePath(QStringLiteral("photos"))),
                 QStringList{c.name});  // no leftovers
    }

    void ReplacingAnimationOrTransparency_Should_AskFirst_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("lost");
        QTest::newRow("animated") << QStringLiteral("animated.gif")
                                  << QStringLiteral("its 2 later animation frames");
        QTest::newRow("alpha") << QStringLiteral("alpha.png") << QStringLiteral("its transparency");
    }
    void ReplacingAnimationOrTransparency_Should_AskFirst() {
        QFETCH(QString, name);
        QFETCH(QString, lost);
        const QString source = Open(name, true);
        const QByteArray before = FileHash(source);
        dialogs_->answers.enqueue(Dialogs::Answer::No);
        form_->PushButton5->click();
        QCOMPARE(dialogs_->shown.size(), 1);
        QCOMPARE(dialogs_->shown[0].buttons, Dialogs::Buttons::YesNo);
        QVERIFY2(dialogs_->shown[0].text.contains(lost), qPrintable(dialogs_->shown[0].text));
        QVERIFY(dialogs_->shown[0].text.contains(QDir::toNativeSeparators(source)));
        QCOMPARE(FileHash(source), before);  // declined: nothing written, still on the picture
        QCOMPARE(form_->nCurrentFile, 1);
        QVERIFY(form_->HasPicture());

        dialogs_->answers.enqueue(Dialogs::Answer::Yes);
        form_->PushButton5->click();
        QCOMPARE(dialogs_->Messages().last(), QStringLiteral("Done."));
        QVERIFY(FileHash(source) != before);
        QCOMPARE(QImageReader(source).imageCount(), 1);
        QCOMPARE(Entries(dir_->filePath(QStringLiteral("photos"))), QStringList{name});
    }

    void HugePhoto_Should_BeEditedAtFullSizeAndSaved() {
        QDir().mkpath(dir_->filePath(QStringLiteral("photos")));
        const QString huge = BadPictures::Huge(dir_->filePath(QStringLiteral("photos")));
        const QString name = QFileInfo(huge).fileName();
        QVERIFY(QFile::rename(huge, corpus_.filePath(name)));
        const QString source = Open(name, false);
        const QByteArray before = FileHash(source);
        // "This image file size is big": No keeps the full size.
        QCOMPARE(dialogs_->shown.size(), 1);
        QCOMPARE(form_->PicOrg->size(), QSize(9248, 6944));
        MarkBox({100, 100}, {120, 110});
        form_->PushButton3->click();
        form_->PushButton5->click();
        QCOMPARE(dialogs_->Messages().last(), QStringLiteral("Done."));
        QImageReader reader(QDir(OutFolder()).filePath(name));
        QCOMPARE(reader.size(), QSize(9248, 6944));
        QCOMPARE(FileHash(source), before);
        QFile::remove(corpus_.filePath(name));
    }
};

QTEST_MAIN(BadPictureRoadTest)
#include "BadPictureRoadTest.moc"
