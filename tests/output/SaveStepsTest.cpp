#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "common/PathHelpers.h"
#include "inpaint/MarkerColor.h"
#include "output/FakeStepHost.h"
#include "output/Fixtures.h"
#include "output/OutputTestSupport.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "picture/Orientation.h"
#include "picture/PictureFile.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/SharedPhotos.h"
#include "support/TaggedPhotos.h"

using namespace OutputTest;

class SaveStepsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> settings_, photos_, out_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<SaveOptionFrame> options_;
    std::unique_ptr<FakeStepHost> host_;
    std::unique_ptr<SaveSteps> steps_;

    QString Photo(const QString& name, const QImage& picture, const char* format) {
        const QString path = photos_->filePath(name);
        if (!picture.save(path, format)) qFatal("cannot write a test photo");
        return path;
    }
    void SaveToFolder(const QString& folder) {
        options_->Option3->click();
        options_->Text1->setText(folder);
    }

private Q_SLOTS:
    void initTestCase() {
#ifdef Q_OS_WIN
        QSKIP("stand-in converters are shell scripts");
#endif
    }

    void init() {
        settings_ = std::make_unique<QTemporaryDir>();
        photos_ = std::make_unique<QTemporaryDir>();
        out_ = std::make_unique<QTemporaryDir>();
        OpenSteps(settings_->path(), dialogs_, options_, host_, steps_);
    }

    void cleanup() {
        CloseSteps(dialogs_, options_, host_, steps_);
    }

    void Skip_Should_StepThroughTheListAndEndWithDone() {
        host_->Start({QStringLiteral("/p/1.jpg"), QStringLiteral("  /p/2 b.jpg  "),
                      QStringLiteral("/p/3.gif")});
        steps_->PushButton1_Click();
        steps_->PushButton1_Click();
        QCOMPARE(host_->loaded,
                 (QStringList{QStringLiteral("/p/2 b.jpg"), QStringLiteral("/p/3.gif")}));
        QCOMPARE(host_->current, 3);
        QVERIFY(dialogs_->Messages().isEmpty());
        steps_->PushButton1_Click();
        QCOMPARE(dialogs_->Messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(host_->listWindowShown, 1);
        QCOMPARE(host_->current, 3);
    }

    void Save_Should_WriteEveryPictureInItsFormatAndEndWithDone() {
        const QImage picture = TestPicture(90, 60);
        const QStringList sources = {Photo(QStringLiteral("a.bmp"), picture, "BMP"),
                                     Photo(QStringLiteral("b c.JPG"), picture, "JPEG"),
                                     Photo(QStringLiteral("d.png"), picture, "PNG")};
        host_->Start(sources);
        SaveToFolder(out_->path() + QLatin1Char('/'));
        for (int i = 0; i < 3; ++i) steps_->PushButton5_Click();
        QCOMPARE(dialogs_->Messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(host_->listWindowShown, 1);
        QCOMPARE(Entries(out_->path()),
                 (QStringList{QStringLiteral("a.bmp"), QStringLiteral("b c.JPG"),
                              QStringLiteral("d.png")}));
        QCOMPARE(
            QImage(out_->filePath(QStringLiteral("a.bmp"))).convertToFormat(QImage::Format_RGB32),
            picture);
        QCOMPARE(QImageReader(out_->filePath(QStringLiteral("b c.JPG"))).format(),
                 QByteArray("jpeg"));
        QVERIFY(!steps_->SaveBusy());
        QVERIFY(!host_->busy);
    }

    void Save_Should_ReplaceTheSource_When_SavingBesideIt() {
        QImage picture = TestPicture(50, 40);
        const QString source = Photo(QStringLiteral("IMG_0001.BMP"), picture, "BMP");
        host_->Start({source, source});
        QPainter(&host_->image).fillRect(5, 5, 10, 10, QColor(inpaint::kOpaqueMarkerPixel));
        options_->Option4->click();
        options_->Text1->setText(
            QStringLiteral("/no/such/folder/"));  // not checked beside the source
        steps_->PushButton5_Click();
        QVERIFY(dialogs_->Messages().isEmpty());
        QCOMPARE(QImage(source).pixel(7, 7), inpaint::kOpaqueMarkerPixel);
        QCOMPARE(Entries(photos_->path()), QStringList{QStringLiteral("IMG_0001.BMP")});
        QCOMPARE(host_->current, 2);
    }

    void MissingFolder_Should_BeToldAndNothingChanges() {
        host_->Start(
            {Photo(QStringLiteral("a.bmp"), TestPicture(), "BMP"), QStringLiteral("/p/2.bmp")});
        for (const QString& folder : {out_->filePath(QStringLiteral("gone/")), QString()}) {
            SaveToFolder(folder);
            steps_->PushButton5_Click();
        }
        QCOMPARE(
            dialogs_->Messages(),
            QStringList(2, QStringLiteral("Folder does not exist. Please select another folder.")));
        QCOMPARE(host_->current, 1);
        QVERIFY(host_->loaded.isEmpty());
        QVERIFY(Entries(out_->path()).isEmpty());
    }

    // A converter that fails or is missing costs nothing: the source photo stays byte for byte
    // and the edited picture stays on show, to be saved again elsewhere.
    void FailedSave_Should_KeepTheSourceAndThePicture_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("missing converter") << QByteArray();
        QTest::newRow("failing converter")
            << QByteArray("echo 'brisvane-convert: broken' >&2; exit 2");
    }
    void FailedSave_Should_KeepTheSourceAndThePicture() {
        QFETCH(QByteArray, script);
        QTemporaryDir bin;
        steps_->converter.program = bin.filePath(QStringLiteral("brisvane-convert"));
        if (!script.isEmpty()) WriteScript(steps_->converter.program, script);
        const QString source =
            Photo(QStringLiteral("it's \"my\" photo.jpg"), TestPicture(), "JPEG");
        const QByteArray before = FileHash(source);
        host_->Start({source, QStringLiteral("/p/next.jpg")});
        QPainter(&host_->image).fillRect(0, 0, 20, 20, QColor(inpaint::kOpaqueMarkerPixel));
        const QImage edited = host_->image;
        options_->Option4->click();

        steps_->PushButton5_Click();

        QCOMPARE(FileHash(source), before);
        QCOMPARE(Entries(photos_->path()), QStringList{FileNameOf(source)});
        QCOMPARE(host_->current, 1);
        QVERIFY(host_->loaded.isEmpty());
        QCOMPARE(host_->image, edited);
        QCOMPARE(dialogs_->Messages().size(), 1);
        QVERIFY2(dialogs_->Messages()[0].contains(source), qPrintable(dialogs_->Messages()[0]));
        QVERIFY(!steps_->SaveBusy());
        QVERIFY(!host_->busy);

        // the user picks a folder and saves again
        steps_->converter.program = RealConverter();
        SaveToFolder(out_->path());
        steps_->PushButton5_Click();
        QCOMPARE(QImageReader(out_->filePath(FileNameOf(source))).size(), edited.size());
        QCOMPARE(host_->current, 2);
    }

    void NothingToWrite_Should_BeToldAndTheSkipStillMovesOn() {
        const QString tif = photos_->filePath(QStringLiteral("scan.tif"));
        host_->Start({tif, QStringLiteral("/p/2.bmp")});
        host_->image = TestPicture();
        SaveToFolder(out_->path());
        steps_->PushButton5_Click();
        QCOMPARE(dialogs_->Messages(), QStringList{SaveMessages::NoWritableFormat(tif)});
        QCOMPARE(host_->current, 1);

        SaveSetting(QStringLiteral("Option3"),
                    QStringLiteral("False"));  // neither option: an edited store
        options_->RestoreFromSettings();
        steps_->PushButton5_Click();
        QCOMPARE(dialogs_->Messages().last(), SaveMessages::NoSaveOption(tif));
        QCOMPARE(host_->current, 1);
        QVERIFY(Entries(out_->path()).isEmpty());

        steps_->PushButton1_Click();
        QCOMPARE(host_->current, 2);
    }

    void SecondClick_Should_BeIgnoredWhileASaveRuns() {
        QTemporaryDir bin;
        steps_->converter.program =
            WriteScript(bin.filePath(QStringLiteral("slow-convert")),
                        "sleep 0.5; exec '" + RealConverter().toUtf8() + "' \"$@\"");
        host_->Start({Photo(QStringLiteral("a.png"), TestPicture(), "PNG"),
                      QStringLiteral("/p/2.png"), QStringLiteral("/p/3.png")});
        SaveToFolder(out_->path());
        bool busyMeanwhile = false;
        QTimer::singleShot(150, [&] {
            busyMeanwhile = steps_->SaveBusy();
            steps_->PushButton5_Click();
            steps_->PushButton1_Click();
        });

        steps_->PushButton5_Click();

        QVERIFY(busyMeanwhile);
        QCOMPARE(host_->current, 2);
        QCOMPARE(host_->loaded, QStringList{QStringLiteral("/p/2.png")});
        QVERIFY(dialogs_->Messages().isEmpty());
        QCOMPARE(Entries(out_->path()), QStringList{QStringLiteral("a.png")});
        QVERIFY(!steps_->SaveBusy());
    }

    void Steps_Should_WaitForARunningRemoval() {
        host_->Start(
            {Photo(QStringLiteral("a.bmp"), TestPicture(), "BMP"), QStringLiteral("/p/2.bmp")});
        SaveToFolder(out_->path());
        host_->removalRunning = true;
        steps_->PushButton5_Click();
        steps_->PushButton1_Click();
        QCOMPARE(host_->current, 1);
        QVERIFY(Entries(out_->path()).isEmpty());
    }

    // A real photo with its date stamp painted over keeps everything outside the box.
    void JpegPhoto_Should_KeepThePictureOutsideTheMarkedBox() {
        REQUIRE_SHARED_PHOTO(QStringLiteral("coffee.json"));
        const QString photos = qEnvironmentVariable("BRISVANE_PHOTOS");
        const QRect stamp = SharedPhotos::StampBox(QStringLiteral("coffee"));
        const QString source = photos_->filePath(QStringLiteral("coffee-stamped.jpg"));
        QVERIFY(QFile::copy(photos + QStringLiteral("/coffee-stamped.jpg"), source));
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner));
        host_->Start({source});
        host_->image = host_->image.convertToFormat(QImage::Format_RGB32);
        QPainter(&host_->image).fillRect(stamp, QColor(inpaint::kOpaqueMarkerPixel));
        const QImage edited = host_->image;
        options_->Option4->click();

        steps_->PushButton5_Click();

        QCOMPARE(dialogs_->Messages(), QStringList{QStringLiteral("Done.")});
        const QImage result = QImage(source).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(result.size(), edited.size());
        const double outside =
            Psnr(edited, result, [&](int x, int y) { return !stamp.contains(x, y); });
        QVERIFY2(outside >= 40, qPrintable(QString::number(outside)));
        const QRgb middle = result.pixel(stamp.center());
        QVERIFY(qGreen(middle) > 230 && qRed(middle) < 25 && qBlue(middle) < 25);
    }

    // Camera rolls repeat their names: a result saved earlier in this run from another photo is
    // never replaced; the new one takes the next free name and the user is told which. A photo
    // saved again replaces its own result.
    void SameNameFromAnotherSource_Should_GetTheNextFreeNameAndSaySo() {
        QDir(photos_->path()).mkpath(QStringLiteral("card1"));
        QDir(photos_->path()).mkpath(QStringLiteral("card2"));
        QImage red(40, 30, QImage::Format_RGB32), blue(40, 30, QImage::Format_RGB32);
        red.fill(qRgb(200, 0, 0));
        blue.fill(qRgb(0, 0, 200));
        const QString a = Photo(QStringLiteral("card1/IMG_0001.BMP"), red, "BMP");
        const QString b = Photo(QStringLiteral("card2/IMG_0001.BMP"), blue, "BMP");
        host_->Start({a, b, a});
        SaveToFolder(out_->path() + QLatin1Char('/'));
        const QString first = out_->filePath(QStringLiteral("IMG_0001.BMP"));
        const QString second = out_->filePath(QStringLiteral("IMG_0001 (2).BMP"));

        steps_->PushButton5_Click();
        steps_->PushButton5_Click();
        QCOMPARE(dialogs_->Messages(),
                 QStringList{SaveMessages::SavedUnderNewName(second, first, a)});
        QVERIFY(dialogs_->Messages()[0].contains(QStringLiteral("\"IMG_0001 (2).BMP\"")));
        QCOMPARE(dialogs_->shown[0].icon, Dialogs::Icon::Information);
        host_->image.setPixel(3, 3, qRgb(1, 2, 3));  // the first photo, edited again
        steps_->PushButton5_Click();

        QCOMPARE(dialogs_->Messages().size(), 2);  // nothing more said before "Done."
        QCOMPARE(Entries(out_->path()),
                 (QStringList{QStringLiteral("IMG_0001 (2).BMP"), QStringLiteral("IMG_0001.BMP")}));
        QCOMPARE(QImage(first).pixel(3, 3), qRgb(1, 2, 3));
        QCOMPARE(QImage(first).pixel(10, 10), red.pixel(0, 0));
        QCOMPARE(QImage(second).pixel(10, 10), blue.pixel(0, 0));
    }

    // Marks never removed are not burnt into a photo without a question; No stays on it.
    void UnremovedMarks_Should_AskFirst() {
        const QString source = Photo(QStringLiteral("a.bmp"), TestPicture(), "BMP");
        host_->Start({source, QStringLiteral("/p/2.bmp")});
        host_->unremovedMarks = true;
        SaveToFolder(out_->path());
        dialogs_->answers << Dialogs::Answer::No << Dialogs::Answer::Yes;

        steps_->PushButton5_Click();
        QCOMPARE(dialogs_->Messages(),
                 QStringList{QStringLiteral("This picture still has marked areas that were not "
                                            "removed. Save it with the marks?")});
        QCOMPARE(dialogs_->shown[0].buttons, Dialogs::Buttons::YesNoDefaultNo);
        QCOMPARE(host_->current, 1);
        QVERIFY(Entries(out_->path()).isEmpty());

        steps_->PushButton5_Click();
        QCOMPARE(dialogs_->Messages().size(), 2);
        QCOMPARE(host_->current, 2);
        QCOMPARE(Entries(out_->path()), QStringList{QStringLiteral("a.bmp")});
    }

    // The default output folder is the Desktop; where there is none yet, the first save makes it.
    // Any other missing folder is still refused.
    void MissingDesktop_Should_BeMadeByTheFirstSave() {
        const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
        QTemporaryDir newHome;
        qputenv("HOME", QFile::encodeName(newHome.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(newHome.filePath(QStringLiteral(".config"))));
        CloseSteps(dialogs_, options_, host_, steps_);
        QTemporaryDir settings;  // nothing stored: the Desktop
        OpenSteps(settings.path(), dialogs_, options_, host_, steps_);
        const QString desktop = DesktopFolderPath();
        const bool isDefault = options_->Text1->text() == desktop;
        host_->Start(
            {Photo(QStringLiteral("a.bmp"), TestPicture(), "BMP"), QStringLiteral("/p/2.bmp")});

        steps_->PushButton5_Click();

        qputenv("HOME", home);
        if (config.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", config);
        QVERIFY(isDefault);
        QVERIFY(desktop.startsWith(newHome.path()));
        QVERIFY(dialogs_->Messages().isEmpty());
        QCOMPARE(Entries(desktop), QStringList{QStringLiteral("a.bmp")});
        QCOMPARE(host_->current, 2);
    }

    // Through the save step and the converter, a camera photo keeps its metadata, every block
    // outside the painted area and so every pixel beyond one MCU around it.
    void CameraPhoto_Should_KeepMetadataAndUntouchedBlocks_data() {
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("beside");
        QTest::newRow("4:2:0, replaced") << false << 1 << true;
        QTest::newRow("progressive, turned, to a folder") << true << 6 << false;
    }
    void CameraPhoto_Should_KeepMetadataAndUntouchedBlocks() {
        QFETCH(bool, progressive);
        QFETCH(int, orientation);
        QFETCH(bool, beside);
        REQUIRE_SHARED_PHOTO(QStringLiteral("coffee.jpg"));
        TaggedPhotos::Encoding encoding;
        encoding.progressive = progressive;
        encoding.iccProfile = TaggedPhotos::IccProfile("RGB ");
        const QByteArray original = TaggedPhotos::WithCameraMetadata(
            TaggedPhotos::Jpeg(TaggedPhotos::Photo(), encoding), orientation);
        const QString source = photos_->filePath(QStringLiteral("IMG_0001.JPG"));
        TaggedPhotos::WriteFile(source, original);
        host_->Start({source});
        const QRect box(60, 70, 50, 20);
        host_->image = TaggedPhotos::PaintedOver(host_->image, box);
        if (beside)
            options_->Option4->click();
        else
            SaveToFolder(out_->path());

        steps_->PushButton5_Click();

        QCOMPARE(dialogs_->Messages(), QStringList{QStringLiteral("Done.")});
        const QByteArray result = TaggedPhotos::ReadFile(
            beside ? source : out_->filePath(QStringLiteral("IMG_0001.JPG")));
        const QRect stored =
            TaggedPhotos::StoredBox(box, host_->image.size(), TurnOfExifOrientation(orientation));
        const TaggedPhotos::Coefficients before = TaggedPhotos::CoefficientsOf(original);
        QCOMPARE(TaggedPhotos::BlocksChangedOutside(before, TaggedPhotos::CoefficientsOf(result),
                                                    stored),
                 0);
        QCOMPARE(TaggedPhotos::PixelsChangedOutside(
                     TaggedPhotos::StoredPixels(original), TaggedPhotos::StoredPixels(result),
                     TaggedPhotos::UnitsAround(stored, before.unitWidth, before.unitHeight, 1)),
                 0);
        QCOMPARE(
            TaggedPhotos::MetadataOf(result),
            TaggedPhotos::KeptMetadata(original, TaggedPhotos::StoredPixels(result).size(), false));
        QCOMPARE(ReadPicture(beside ? source : out_->filePath(QStringLiteral("IMG_0001.JPG")))
                     .image.size(),
                 host_->image.size());
    }

    // A converter that fails after writing the result with its metadata, or leaves it cut short,
    // costs nothing: the photo it was to replace stays byte for byte, and nothing is left beside.
    void FailureAfterMetadata_Should_LeaveTheSourceByteForByte_data() {
        QTest::addColumn<QByteArray>("after");  // run after the real converter, with its target
        QTest::newRow("fails") << QByteArray("exit 1");
        QTest::newRow("cuts it short") << QByteArray("truncate -s 5000 \"$target\"");
    }
    void FailureAfterMetadata_Should_LeaveTheSourceByteForByte() {
        QFETCH(QByteArray, after);
        REQUIRE_SHARED_PHOTO(QStringLiteral("coffee.jpg"));
        QTemporaryDir bin;
        steps_->converter.program =
            WriteScript(bin.filePath(QStringLiteral("brisvane-convert")),
                        "'" + RealConverter().toUtf8() + "' \"$@\" || exit 9\n" +
                            "for a in \"$@\"; do [ \"$next\" = 1 ] && target=$a; next=0; "
                            "[ \"$a\" = -o ] && next=1; done\n" +
                            after);
        const QString source = photos_->filePath(QStringLiteral("IMG_0002.JPG"));
        TaggedPhotos::WriteFile(source, TaggedPhotos::WithCameraMetadata(TaggedPhotos::Jpeg(
                                            TaggedPhotos::Photo(), TaggedPhotos::Encoding{})));
        const QByteArray before = FileHash(source);
        host_->Start({source, QStringLiteral("/p/next.jpg")});
        host_->image = TaggedPhotos::PaintedOver(host_->image, QRect(0, 0, 30, 30));
        options_->Option4->click();

        steps_->PushButton5_Click();

        QCOMPARE(FileHash(source), before);
        QCOMPARE(Entries(photos_->path()), QStringList{QStringLiteral("IMG_0002.JPG")});
        QCOMPARE(host_->current, 1);
        QCOMPARE(dialogs_->Messages().size(), 1);
        QVERIFY2(
            dialogs_->Messages()[0].startsWith(QStringLiteral("The picture could not be saved")),
            qPrintable(dialogs_->Messages()[0]));
    }
};

QTEST_MAIN(SaveStepsTest)
#include "SaveStepsTest.moc"
