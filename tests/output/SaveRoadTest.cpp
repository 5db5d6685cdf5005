#include <QFile>
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
#include "output/SaveSteps.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/SharedPhotos.h"
#include "support/TaggedPhotos.h"

using namespace OutputTest;

namespace {
constexpr QRgb Green = inpaint::kOpaqueMarkerPixel;

QImage Rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}
}  // namespace

// The whole road of a picture in the real editor: listed, shown, marked, removed, saved.
class SaveRoadTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<FileList> list_;
    std::unique_ptr<QWidget> listWindow_;
    std::unique_ptr<Form2> form_;

    void Drag(QPoint from, QPoint to) { DragOnPicture(form_->PicOrg, from, to); }

private Q_SLOTS:
    void init() { OpenEditor(dir_, dialogs_, list_, listWindow_, form_); }

    void cleanup() { CloseEditor(dialogs_, list_, listWindow_, form_); }

    void Editor_Should_ShowTheSaveOptionsRestoredFromTheSettings() {
        SaveOptionFrame* frame = form_->Frame7;
        QCOMPARE(frame->geometry(), QRect(536, 199, 520, 121));
        QVERIFY(frame->Option3->isChecked());  // the default choice
        int saveFrames = 0;
        for (QGroupBox* g : form_->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly))
            saveFrames += g->title() == QStringLiteral("Save Option");
        QCOMPARE(saveFrames, 1);
    }

    void WholeRoad_Should_ReplaceOnlyTheStamp() {
        REQUIRE_SHARED_PHOTO(QStringLiteral("coffee.json"));
        const QString photos = qEnvironmentVariable("BRISVANE_PHOTOS");
        const QRect stamp = SharedPhotos::StampBox(QStringLiteral("coffee"));
        const QString bmp = dir_->filePath(QStringLiteral("coffee stamped.bmp"));
        const QString jpg = dir_->filePath(QStringLiteral("coffee-stamped.JPG"));
        QVERIFY(QImage(photos + QStringLiteral("/coffee-stamped.png")).save(bmp, "BMP"));
        QVERIFY(QFile::copy(photos + QStringLiteral("/coffee-stamped.jpg"), jpg));
        QVERIFY(QFile::setPermissions(jpg, QFile::ReadOwner | QFile::WriteOwner));
        const QImage originals[2] = {Rgb(QImage(bmp)), Rgb(QImage(jpg))};
        list_->Append(bmp);
        list_->Append(jpg);
        form_->Frame7->Option4->click();
        form_->ShowFromList();

        QImage marked[2];
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(form_->nCurrentFile, i + 1);
            Drag(stamp.topLeft(), stamp.bottomRight());
            marked[i] = Rgb(form_->PicOrg->Image());
            form_->PushButton3->click();  // Start Removing
            QCOMPARE(form_->PushButton3->text(), QStringLiteral("Start Removing"));
            form_->PushButton5->click();  // Save and Show Next Image
        }

        QCOMPARE(dialogs_->Messages().last(), QStringLiteral("Done."));
        QVERIFY(form_->isHidden());
        const QString paths[2] = {bmp, jpg};
        for (int i = 0; i < 2; ++i) {
            const QImage result = Rgb(QImage(paths[i]));
            QCOMPARE(result.size(), originals[i].size());
            int inside = 0, changedInside = 0, greenLeft = 0, differentOutside = 0;
            for (int y = 0; y < result.height(); ++y)
                for (int x = 0; x < result.width(); ++x) {
                    const bool box = marked[i].pixel(x, y) == Green;
                    if (box) {
                        ++inside;
                        changedInside += result.pixel(x, y) != originals[i].pixel(x, y);
                        greenLeft += result.pixel(x, y) == Green;
                    } else {
                        differentOutside += result.pixel(x, y) != originals[i].pixel(x, y);
                    }
                }
            QVERIFY(inside >= stamp.width() * stamp.height());
            QCOMPARE(greenLeft, 0);
            QVERIFY(changedInside > inside / 2);
            if (i == 0) {
                QCOMPARE(differentOutside, 0);  // the bitmap: bit for bit
            } else {
                const double psnr = Psnr(originals[i], result, [&](int x, int y) {
                    return marked[i].pixel(x, y) != Green;
                });
                QVERIFY2(psnr >= 40, qPrintable(QString::number(psnr)));
                // The JPEG keeps its own blocks: bit for bit beyond the MCUs around the box.
                const QRect reach = stamp.adjusted(-32, -32, 32, 32);
                QCOMPARE(TaggedPhotos::PixelsChangedOutside(originals[i], result, reach), 0);
            }
        }
        QCOMPARE(QImageReader(jpg).format(), QByteArray("jpeg"));
        QCOMPARE(Entries(dir_->path()).filter(QStringLiteral("coffee")).size(), 2);  // no leftovers
    }

    // Marks painted and never removed: saving asks first, No stays on the picture with nothing
    // written; after "Start Removing" there is nothing to ask.
    void UnremovedMarks_Should_BeAskedAboutInTheEditor() {
        const QString bmp = dir_->filePath(QStringLiteral("a.bmp"));
        QVERIFY(TestPicture(120, 90).save(bmp, "BMP"));
        const QByteArray before = FileHash(bmp);
        list_->Append(bmp);
        form_->Frame7->Option4->click();
        form_->ShowFromList();
        Drag({20, 20}, {40, 35});

        form_->PushButton5->click();
        QCOMPARE(dialogs_->Messages(),
                 QStringList{QStringLiteral("This picture still has marked areas that were not "
                                            "removed. Save it with the marks?")});
        QCOMPARE(FileHash(bmp), before);
        QCOMPARE(form_->nCurrentFile, 1);
        QVERIFY(form_->HasUnremovedMarks());

        form_->PushButton3->click();  // Start Removing
        QVERIFY(!form_->HasUnremovedMarks());
        form_->PushButton5->click();
        // the removal's "Done.", then the save's: no question this time
        QCOMPARE(dialogs_->Messages().mid(1), QStringList(2, QStringLiteral("Done.")));
        QVERIFY(FileHash(bmp) != before);
    }
};

QTEST_MAIN(SaveRoadTest)
#include "SaveRoadTest.moc"
