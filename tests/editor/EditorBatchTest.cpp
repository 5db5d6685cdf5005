// "Keep marks" and "Remove in All Remaining Pictures": marks carried to the next picture, or
// removed and saved in every remaining one without a question per picture; "Suggest Box" and
// the run with the imprint found on each picture.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "filelist/FileList.h"
#include "output/SaveOptionFrame.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "support/EditorFixture.h"
#include "support/ScriptedDialogs.h"

namespace {
constexpr QRgb Grey = 0xFF808080u;
constexpr QRgb Filler = 0xFF404040u;
constexpr QRgb Clean = 0xFF202020u;  // the stand-in finder finds nothing on this colour

// Gives `boxes`, except on a Clean picture, and notes the size it was shown.
struct StandInFinder {
    QList<QRect> boxes;
    QSize seen;
    int calls = 0;
    std::vector<detect::Box> operator()(const detect::PictureView& view) {
        ++calls;
        seen = QSize(view.width, view.height);
        std::vector<detect::Box> found;
        if (view.pixels[0] != Clean)
            for (const QRect& r : boxes) found.push_back({r.x(), r.y(), r.width(), r.height()});
        return found;
    }
};

// Replaces every marker pixel with Filler, yielding once; `onYield` acts meanwhile as a user.
struct FakeEngine {
    std::function<void()> onYield;
    int runs = 0;
    int operator()(inpaint::PictureAccess& source, inpaint::PictureAccess& target,
                   const inpaint::InpaintOptions&, const inpaint::RunHooks& hooks) {
        ++runs;
        const int w = source.Width(), h = source.Height();
        std::vector<std::uint32_t> px(std::size_t(w) * h);
        source.ReadPixels(px.data());
        int steps = 0;
        for (std::uint32_t& p : px)
            if ((p & 0xFFFFFFu) == inpaint::kMarkerPixel) p = Filler, ++steps;
        if (hooks.yield) hooks.yield();
        if (onYield) onYield();
        target.WritePixels(0, 0, w, h, px.data(), w);
        target.Commit();
        return steps;
    }
};

struct Editor : EditorFixture {
    FakeEngine engine;
    StandInFinder finder;

    Editor() { Make(); }
    void Make() {
        form = std::make_unique<Form2>(list, &listWindow);
        form->Engine = std::ref(engine);
        form->Finder = std::ref(finder);
    }
    // Marks the rectangle, corners inclusive, with the Box tool's paint.
    void Mark(QRect r) { form->PicOrg->PaintBox(r.topLeft(), r.bottomRight(), MarkerColor); }
    // Draws it with the Box tool, as the user does.
    void Draw(QRect r) {
        form->Tools().Press(Qt::LeftButton, r.topLeft());
        form->Tools().Release(Qt::LeftButton, r.bottomRight());
    }
};

// The rectangles hold exactly the pixels of `colour` in `image`.
bool OnlyIn(const QImage& image, const QList<QRect>& rects, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) == colour) !=
                std::any_of(rects.begin(), rects.end(), [&](QRect r) { return r.contains(x, y); }))
                return false;
    return true;
}
bool OnlyIn(const QImage& image, QRect r, QRgb colour) {
    return OnlyIn(image, QList<QRect>{r}, colour);
}

}  // namespace

class EditorBatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The marks on show go on to the next picture, from their nearest corner; after a removal,
    // the marks it filled. The choice is remembered, and off by default.
    void KeepMarks_Should_CarryTheMarksOrTheRemovedOnesToTheNextPicture() {
        Editor e;
        QVERIFY(!e.form->KeepMarks->isChecked());
        e.Open({e.Picture("a.bmp", 100, 80), e.Picture("b.bmp", 160, 120),
                e.Picture("c.bmp", 60, 50), e.Picture("d.bmp", 60, 50)});
        e.form->KeepMarks->click();
        e.Mark(QRect(80, 65, 10, 10));  // 10 from the right, 5 from the bottom

        e.form->PushButton1->click();
        QCOMPARE(e.form->nCurrentFile, 2);
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), QRect(140, 105, 10, 10), MarkerColor));
        QVERIFY(e.form->HasUnremovedMarks());

        e.form->PushButton3->click();  // removed: nothing on show, the removal's marks go on
        QCOMPARE(e.engine.runs, 1);
        e.form->PushButton1->click();
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), QRect(40, 35, 10, 10), MarkerColor));
        e.form->TakeBackAllMarks();  // carried marks are taken back like painted ones
        QVERIFY(!e.form->HasUnremovedMarks());

        e.form->KeepMarks->click();  // off: nothing goes on
        e.form->PushButton1->click();
        QCOMPARE(e.form->nCurrentFile, 4);
        QVERIFY(!e.form->HasUnremovedMarks());

        e.form->KeepMarks->click();
        e.Make();
        QVERIFY(e.form->KeepMarks->isChecked());
    }

    // One question before replacing originals, none per picture; a picture that cannot be read
    // fails and one whose replacing would lose its transparency is skipped, both listed; the
    // others are filled at their own size and saved.
    void RemoveInAll_Should_SaveEveryRemainingPictureAndListTheRest() {
        Editor e;
        QImage clear(50, 40, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        const QString transparent = e.dir.filePath("clear.png");
        QVERIFY(clear.save(transparent));
        const QString broken = e.dir.filePath("broken.bmp");
        QFile(broken).open(QIODevice::WriteOnly);
        QVERIFY(QFile(broken).resize(10));
        const QStringList pictures{e.Picture("p1.bmp", 100, 80), e.Picture("p2.bmp", 2000, 1600),
                                   broken, transparent, e.Picture("p3.bmp", 100, 80)};
        e.Open(pictures);
        e.form->Frame7->Option4->click();  // beside the originals
        e.Mark(QRect(80, 65, 10, 10));
        e.dialogs.answers.enqueue(Dialogs::Answer::Yes);

        e.form->RemoveInAll->click();

        const QStringList messages = e.dialogs.Messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].contains("5 picture(s)"));
        QVERIFY2(messages[1].contains("in 3 picture(s)"), qPrintable(messages[1]));
        QVERIFY(messages[1].contains(QDir::toNativeSeparators(broken) + ": it cannot be read"));
        QVERIFY(messages[1].contains(QDir::toNativeSeparators(transparent) + ": replacing \"" +
                                     QDir::toNativeSeparators(transparent)));
        QVERIFY(OnlyIn(QImage(pictures[0]), QRect(80, 65, 10, 10), Filler));
        QVERIFY(OnlyIn(QImage(pictures[1]), QRect(1980, 1585, 10, 10), Filler));
        QVERIFY(OnlyIn(QImage(pictures[4]), QRect(80, 65, 10, 10), Filler));
        QCOMPARE(QImage(transparent), clear);
        for (int i = 1; i <= 5; ++i)  // saved entries show it in the list
            QCOMPARE(e.list.IsSaved(i), i == 1 || i == 2 || i == 5);
        QVERIFY(e.listWindow.isVisible());  // the whole list is done
    }

    // A big picture shown reduced is filled at its full size, its marks scaled up with it.
    void RemoveInAll_Should_FillABigPictureShownReducedAtFullSize() {
        Editor e;
        const QString big = e.Picture("big.bmp", 1948, 1520);  // four times 487 x 380
        const QString out = e.dir.filePath("out");
        QVERIFY(QDir().mkpath(out));
        e.dialogs.answers.enqueue(Dialogs::Answer::Yes);  // reduce it
        e.Open({big});
        QCOMPARE(e.form->PicOrg->size(), QSize(487, 380));
        e.form->Frame7->Option3->click();
        e.form->Frame7->Text1->setText(out);
        e.Mark(QRect(400, 300, 10, 5));

        e.form->RemoveInAll->click();

        QVERIFY(OnlyIn(QImage(out + "/big.bmp"), QRect(1600, 1200, 40, 20), Filler));
    }

    void RemoveInAll_Should_AskNothingWithoutAnswerAndWriteNothingWhenRefused() {
        Editor e;
        const QString p1 = e.Picture("p1.bmp", 100, 80);
        e.Open({p1});
        e.form->Frame7->Option4->click();
        e.Mark(QRect(80, 65, 10, 10));
        e.dialogs.answers.enqueue(Dialogs::Answer::No);
        e.form->RemoveInAll->click();
        QCOMPARE(e.dialogs.Messages().size(), 1);
        QCOMPARE(e.engine.runs, 0);
        QVERIFY(OnlyIn(QImage(p1), QRect(), Filler));
    }

    // Stop lets the picture in hand finish and leaves every other file as it was; the editor
    // shows the first picture left.
    void Stop_Should_FinishThePictureInHandAndTouchNoOther() {
        Editor e;
        const QStringList pictures{e.Picture("p1.bmp", 100, 80), e.Picture("p2.bmp", 100, 80),
                                   e.Picture("p3.bmp", 100, 80)};
        const QString out = e.dir.filePath("out");
        QVERIFY(QDir().mkpath(out));
        e.Open(pictures);
        e.form->Frame7->Option3->click();
        e.form->Frame7->Text1->setText(out);
        e.Mark(QRect(80, 65, 10, 10));
        e.engine.onYield = [&] {
            auto* progress = e.form->findChild<QProgressDialog*>();
            QVERIFY(progress && progress->isVisible());
            QVERIFY2(progress->labelText().startsWith("Picture 1 of 3: p1.bmp"),
                     qPrintable(progress->labelText()));
            for (QPushButton* button : progress->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("Stop")) button->click();
        };

        e.form->RemoveInAll->click();

        QCOMPARE(e.engine.runs, 1);
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"p1.bmp"});
        QVERIFY(e.dialogs.Messages().value(0).contains("2 picture(s) were left untouched"));
        QCOMPARE(e.form->nCurrentFile, 2);
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), QRect(), MarkerColor));
    }

    // The boxes found are painted, cut to the picture; when none is, it is said and nothing is
    // painted. Nothing is searched without a picture.
    void SuggestBox_Should_PaintTheFoundBoxesOrSayNoneWasFound_data() {
        QTest::addColumn<QList<QRect>>("found");
        QTest::addColumn<QList<QRect>>("painted");
        QTest::newRow("one") << QList<QRect>{{70, 60, 25, 8}} << QList<QRect>{{70, 60, 25, 8}};
        QTest::newRow("past the edges")
            << QList<QRect>{{90, 75, 40, 40}, {100, 0, 5, 5}} << QList<QRect>{{90, 75, 10, 5}};
        QTest::newRow("none") << QList<QRect>() << QList<QRect>();
        QTest::newRow("outside") << QList<QRect>{{100, 0, 5, 5}} << QList<QRect>();
    }
    void SuggestBox_Should_PaintTheFoundBoxesOrSayNoneWasFound() {
        QFETCH(QList<QRect>, found);
        QFETCH(QList<QRect>, painted);
        Editor e;
        e.form->SuggestBox_Click();
        QVERIFY(e.finder.calls == 0 && !e.form->SuggestBox->isEnabled());
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.finder.boxes = found;
        e.form->SuggestBox->click();
        QCOMPARE(e.finder.seen, QSize(100, 80));
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), painted, MarkerColor));
        QCOMPARE(e.dialogs.Messages(),
                 painted.isEmpty() ? QStringList{"No date imprint found."} : QStringList());
    }

    // Marks drawn before stay; Ctrl+Z takes the box back like a drawn one; "Undo Remove" still
    // gives back the picture before the last removal.
    void SuggestBox_Should_BeTakenBackLikeADrawnBoxAndLeaveTheRest() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.Draw(QRect(5, 5, 10, 10));
        e.form->PushButton3->click();
        e.Draw(QRect(20, 20, 5, 5));
        e.finder.boxes = {QRect(60, 50, 30, 20)};
        e.form->SuggestBox->click();
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {{20, 20, 5, 5}, {60, 50, 30, 20}}, MarkerColor));
        QTest::keyClick(e.form->PicOrg, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {{20, 20, 5, 5}}, MarkerColor));
        e.form->PushButton12->click();
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), QList<QRect>(), MarkerColor));
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), QList<QRect>(), Filler));
    }

    // A big picture shown reduced is searched at full size, and the view's box covers the whole
    // box found (full-size pixels 1601..1610 and 1203..1207 are view pixels 400..402, 300..301).
    void SuggestBox_Should_SearchAReducedPictureAtFullSizeAndCoverTheFoundBox() {
        Editor e;
        e.dialogs.answers.enqueue(Dialogs::Answer::Yes);  // reduce it
        e.Open({e.Picture("big.bmp", 1948, 1520)});       // four times 487 x 380
        e.finder.boxes = {QRect(1601, 1203, 10, 5)};
        e.form->SuggestBox->click();
        QCOMPARE(e.finder.seen, QSize(1948, 1520));
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), QRect(400, 300, 3, 2), MarkerColor));
    }

    // With "Find the imprint on each picture" (remembered) each picture gets the box found on it
    // instead of the marks; one with none found is left alone and listed, not as a failure.
    void RemoveInAll_Should_UseTheFoundBoxesInPlaceOfTheMarksWhenChosen() {
        Editor e;
        const QStringList pictures{e.Picture("p1.bmp", 100, 80), e.Picture("p2.bmp", 90, 80, Clean),
                                   e.Picture("p3.bmp", 120, 90)};
        e.Open(pictures);
        e.form->Frame7->Option4->click();
        e.Mark(QRect(80, 65, 10, 10));
        e.form->FindImprintEach->trigger();
        e.finder.boxes = {QRect(4, 6, 12, 5)};
        e.dialogs.answers.enqueue(Dialogs::Answer::Yes);
        e.form->RemoveInAll->click();

        QVERIFY(OnlyIn(QImage(pictures[0]), QRect(4, 6, 12, 5), Filler));
        QVERIFY(OnlyIn(QImage(pictures[2]), QRect(4, 6, 12, 5), Filler));
        QCOMPARE(QImage(pictures[1]).pixel(0, 0), Clean);
        const QString summary = e.dialogs.Messages().value(1);
        QVERIFY2(summary.endsWith("in 2 picture(s).\n\nLeft alone, no date imprint found:\n" +
                                  QDir::toNativeSeparators(pictures[1])),
                 qPrintable(summary));
        e.Make();
        QVERIFY(e.form->FindImprintEach->isChecked());
    }
};

QTEST_MAIN(EditorBatchTest)
#include "EditorBatchTest.moc"
