#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "editor/FullSizePicture.h"
#include "filelist/FileList.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TaggedPhotos.h"

namespace {
constexpr QRgb Green = 0xFF00FF00u;

// A picture that no two neighbouring pixels share, so that a shifted or squashed result shows.
QImage Pattern(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) % 256, (y * 5 + x / 3) % 256, (x ^ y) % 256));
    return image;
}

// The editor on one big JPEG, reduced after "Big Image File" -> Yes, saving into a folder.
struct ReducedEditor {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FileList list;
    QWidget listWindow;
    std::unique_ptr<Form2> form;
    QString source, out;
    QByteArray original;

    explicit ReducedEditor(QSize size) {
        UseSettingsFolder(dir.path() + QStringLiteral("/settings"));
        SetProgramFolder(dir.path());
        form = std::make_unique<Form2>(list, &listWindow);
        form->Steps().converter.program =
            qEnvironmentVariable("BRISVANE_PROGRAM_DIR") + QStringLiteral("/brisvane-convert");
        source = dir.filePath(QStringLiteral("IMG_0001.JPG"));
        original = TaggedPhotos::Jpeg(Pattern(size), {});
        TaggedPhotos::WriteFile(source, original);
        out = dir.filePath(QStringLiteral("out")) + QLatin1Char('/');
        QDir().mkpath(out);
        form->Frame7->Option3->click();
        form->Frame7->Text1->setText(out);
        dialogs.answers.enqueue(Dialogs::Answer::Yes);  // "Big Image File": reduce
        list.Append(source);
        form->ShowFromList();
    }
    PictureBox& View() { return *form->PicOrg; }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(&View(), Qt::LeftButton, {}, from);
        QTest::mouseRelease(&View(), Qt::LeftButton, {}, to);
    }
    QByteArray Saved() {
        form->PushButton5->click();
        return TaggedPhotos::ReadFile(out + QStringLiteral("IMG_0001.JPG"));
    }
    // The full-size pixels under a box drawn on the view.
    QRect FullBox(QPoint from, QPoint to) {
        return ViewMapping(TaggedPhotos::StoredPixels(original).size(), View().size())
            .PictureUnder(QRect(from, to));
    }
};
}  // namespace

class FullSizeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A full-size pixel is marked exactly when some marked view pixel shows part of it.
    void WithMarks_Should_CoverEveryFullSizePixelUnderTheMarks_data() {
        QTest::addColumn<QSize>("full");
        QTest::newRow("landscape") << QSize(4200, 2800);
        QTest::newRow("portrait") << QSize(2800, 4200);
        QTest::newRow("just big") << QSize(1512, 1000);
    }
    void WithMarks_Should_CoverEveryFullSizePixelUnderTheMarks() {
        QFETCH(QSize, full);
        const FullSizePicture picture(Pattern(full), QSize(487, 380));
        QImage viewPicture(487, 380, QImage::Format_RGB32);
        viewPicture.fill(Qt::gray);
        QImage view = viewPicture;
        for (QPoint p : {QPoint(0, 0), QPoint(486, 379), QPoint(200, 100), QPoint(201, 100)})
            view.setPixel(p, Green);
        viewPicture.setPixel(300, 300, Green);  // green in the picture itself is no mark
        view.setPixel(300, 300, Green);
        const QImage marked = picture.WithMarks(view, viewPicture);
        QCOMPARE(marked.size(), full);
        const ViewMapping& m = picture.Mapping();
        for (int y = 0; y < full.height(); y += 1)
            for (int x = 0; x < full.width(); ++x) {
                const QRect shownBy = m.ViewOf(QRect(x, y, 1, 1));
                bool under = false;
                for (QPoint p :
                     {QPoint(0, 0), QPoint(486, 379), QPoint(200, 100), QPoint(201, 100)})
                    under = under || shownBy.contains(p);
                if ((marked.pixel(x, y) == Green) != under)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
    }

    // Marked on the reduced view, filled and saved at full size: the same size and blocks as
    // the source, changed only around the marks.
    void ReducedPicture_Should_BeFilledAndSavedAtFullSize() {
        ReducedEditor e({1600, 1200});
        QCOMPARE(e.dialogs.shown.size(), 1);
        QCOMPARE(e.dialogs.shown[0].caption, QStringLiteral("Big Image File"));
        QCOMPARE(e.View().size(), QSize(487, 380));
        e.Drag({300, 200}, {340, 215});
        const QRect box = e.FullBox({300, 200}, {340, 215});
        e.form->PushButton3->click();
        QCOMPARE(e.dialogs.Messages().last(), QStringLiteral("Done."));
        QCOMPARE(e.form->PersistentImage().size(), QSize(1600, 1200));
        const QByteArray result = e.Saved();
        QCOMPARE(TaggedPhotos::StoredPixels(result).size(), QSize(1600, 1200));
        const auto before = TaggedPhotos::CoefficientsOf(e.original);
        const auto after = TaggedPhotos::CoefficientsOf(result);
        QCOMPARE(TaggedPhotos::BlocksChangedOutside(before, after, box), 0);
        const QImage was = TaggedPhotos::StoredPixels(e.original);
        const QImage now = TaggedPhotos::StoredPixels(result);
        QCOMPARE(
            TaggedPhotos::PixelsChangedOutside(
                was, now, TaggedPhotos::UnitsAround(box, before.unitWidth, before.unitHeight, 1)),
            0);
        QVERIFY(TaggedPhotos::PixelsChangedOutside(was, now, QRect()) >
                box.width() * box.height() / 2);
    }

    // Undo takes the full size back too, and a save without a removal keeps the full size, with
    // the marks burnt in at full size when the user says so.
    void UndoAndSaveWithoutRemoval_Should_WorkAtFullSize() {
        ReducedEditor e({2000, 1000});
        const QImage full = e.form->PersistentImage();
        QCOMPARE(full.size(), QSize(2000, 1000));
        e.Drag({10, 10}, {30, 20});
        e.form->PushButton3->click();
        QVERIFY(e.form->PersistentImage() != full);
        e.form->PushButton12->click();  // Undo Remove
        QCOMPARE(e.form->PersistentImage(), full);

        e.Drag({100, 100}, {110, 104});
        e.dialogs.answers.enqueue(Dialogs::Answer::Yes);  // save it with the marks
        const QImage saved = TaggedPhotos::StoredPixels(e.Saved());
        QCOMPARE(saved.size(), QSize(2000, 1000));
        const QRect box = e.FullBox({100, 100}, {110, 104});
        QVERIFY(qGreen(saved.pixel(box.center())) > 200 && qRed(saved.pixel(box.center())) < 60);
    }
};

QTEST_MAIN(FullSizeTest)
#include "FullSizeTest.moc"
