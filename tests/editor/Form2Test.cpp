#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <optional>

#include "common/AppInfo.h"
#include "common/ErrorReport.h"
#include "editor/Form2.h"
#include "filelist/FileList.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "support/EditorFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/SharedPhotos.h"

namespace {
constexpr QRgb Grey = 0xFF808080u;
constexpr QRgb Filler = 0xFF404040u;

QString BigQuestion() {
    return QStringLiteral(
        "This image file size is big.\r\rWould you like to reduce the quality of the image and "
        "then edit?");
}

// One editor window over a list of pictures made in a temporary folder.
struct Editor : EditorFixture {
    PictureBox& Pic() { return *form->PicOrg; }
    QRgb At(int x, int y) { return form->PicOrg->Image().pixel(x, y); }
    int Marked() {
        const QImage& image = form->PicOrg->Image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == MarkerColor;
        return n;
    }

    void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(&Pic(), b, {}, p);
    }
    void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(&Pic(), b, {}, p);
    }
    void Click(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        Press(p, b);
        Release(p, b);
    }
    void Move(QPoint p) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(Pic().mapToGlobal(p)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Pic(), &move);
    }
    void Drag(QPoint from, QPoint to) {
        Press(from);
        Move(to);
        Release(to);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != form.get()) target = form.get();
        QTest::keyClick(target, key, modifiers);
    }
    // Results go into a folder of their own, as BMP beside nothing else.
    QString UseOutputFolder() {
        const QString out = dir.filePath(QStringLiteral("out")) + QLatin1Char('/');
        QDir().mkpath(out);
        form->Frame7->Option3->click();
        form->Frame7->Text1->setText(out);
        return out;
    }
    // Marks a box and removes it with `engine`; "Done." is answered.
    void MarkAndRemove(QPoint from, QPoint to) {
        Drag(from, to);
        form->PushButton3->click();
    }
};

// Stands in for the engine: replaces every marker pixel with Filler, one row per step, yielding
// after each; runs `onYield` at every yield as a user acting meanwhile would.
struct FakeEngine {
    std::function<void(int step)> onYield;
    bool failAfterFirstRow = false;
    int runs = 0;

    int operator()(inpaint::PictureAccess& source, inpaint::PictureAccess& target,
                   const inpaint::InpaintOptions& options, const inpaint::RunHooks& hooks) {
        ++runs;
        const int w = source.Width(), h = source.Height();
        std::vector<std::uint32_t> px(std::size_t(w) * h);
        source.ReadPixels(px.data());
        const std::uint32_t marker = options.marker.Pixel();
        const bool live = options.liveDisplay;
        int steps = 0;
        for (int y = 0; y < h; ++y) {
            bool any = false;
            for (int x = 0; x < w; ++x) {
                std::uint32_t& p = px[std::size_t(y) * w + x];
                if ((p & 0xFFFFFF) == marker) {
                    p = Filler;
                    any = true;
                }
            }
            if (!any) continue;
            ++steps;
            if (live) {
                target.WritePixels(0, y, w, 1, px.data() + std::size_t(y) * w, w);
                target.Redraw();
            }
            if (failAfterFirstRow)
                throw inpaint::InpaintError(inpaint::InpaintError::Reason::NoSourceArea,
                                            "no source area");
            hooks.yield();
            if (onYield) onYield(steps);
            if (hooks.stop.stop_requested()) return 0;
        }
        target.WritePixels(0, 0, w, h, px.data(), w);
        target.Commit();
        target.Redraw();
        return steps;
    }
};
// What an action taken while the editor is busy could change.
struct EditorState {
    int current;
    bool shown;
    QImage image;
    int runs;
    qsizetype dialogs;
    bool operator==(const EditorState&) const = default;
};

EditorState StateOf(Editor& e, const FakeEngine& engine) {
    return {e.form->nCurrentFile, e.form->isVisible(), e.Pic().Image(), engine.runs,
            e.dialogs.shown.size()};
}

// The actions that must wait while a removal or a save is at work.
enum class Action { Save, Skip, Back, Start, Undo, Paste };

void Take(Editor& e, Action action) {
    switch (action) {
        case Action::Save:
            return e.form->PushButton5->click();
        case Action::Skip:
            return e.form->PushButton1->click();
        case Action::Back:
            return e.form->PushButton2->click();
        case Action::Start:
            // During a removal the button reads "Stop": stop, then start again at once.
            if (e.form->PushButton3->text() == QStringLiteral("Stop")) e.form->PushButton3->click();
            return e.form->PushButton3->click();
        case Action::Undo:
            return e.form->PushButton12->click();
        case Action::Paste:
            return e.Key(Qt::Key_V);
    }
}

// The real converter, held back until the test lets it go.
QString WaitingConverter(const QString& folder, const QString& go) {
    const QString path = folder + QStringLiteral("/waiting-convert");
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly)) return {};
    script.write(
        QStringLiteral("#!/bin/sh\n"
                       "i=0\n"
                       "while [ ! -e '%1' ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n"
                       "exec '%2' \"$@\"\n")
            .arg(go,
                 qEnvironmentVariable("BRISVANE_PROGRAM_DIR") + QStringLiteral("/brisvane-convert"))
            .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
}  // namespace

class Form2Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void Layout_Should_HaveTheFixedPlaces() {
        Editor e;
        QCOMPARE(e.form->size(), QSize(1063, 431));  // grown by the row of added controls
        QCOMPARE(e.form->NewControlsRow()->geometry(), QRect(536, 396, 520, 27));
        QCOMPARE(e.form->PicScroll->geometry(), QRect(8, 42, 520, 346));
        QCOMPARE(e.form->Frame7->geometry(), QRect(536, 199, 520, 121));
        QCOMPARE(e.form->PushButton3->text(), QStringLiteral("Start Removing"));
        QVERIFY(e.form->ChkPrev->isChecked());
        QVERIFY(e.form->Frame2->y() >= e.form->height());  // out of sight
        QVERIFY(e.form->picUndo->isHidden());
        QCOMPARE(e.form->Label2->text(), QStringLiteral("4"));
        QCOMPARE(e.form->Label4->text(), QStringLiteral("10"));
        // The four "?" buttons: one size, one column.
        for (QPushButton* help : {e.form->PushButton8, e.form->PushButton9, e.form->PushButton11})
            QCOMPARE(help->geometry().translated(help->parentWidget()->pos()).topRight().x(),
                     e.form->PushButton7->geometry().topRight().x());
        QCOMPARE(e.form->PushButton7->size(), e.form->PushButton8->size());
    }

    void ShowFromList_Should_LoadTheFirstEntryAtItsOwnSize() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80), e.Picture("b.png", 30, 20)});
        QCOMPARE(e.form->nCurrentFile, 1);
        QCOMPARE(e.Pic().size(), QSize(100, 80));
        QCOMPARE(e.form->OrigWidth, 100);
        QVERIFY(e.form->isVisible());
        QVERIFY(e.dialogs.shown.isEmpty());
    }

    void Click_Should_PaintOnePixel() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.Click({20, 30});
        QCOMPARE(e.Marked(), 1);
        QCOMPARE(e.At(20, 30), MarkerColor);
    }

    void BothDiagonals_Should_PaintTheSameBox() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.Drag({10, 12}, {40, 50});
        const QImage downRight = e.Pic().Image();
        e.form->LoadNewPicture(e.list.Item(1));
        e.Drag({40, 50}, {10, 12});
        QCOMPARE(e.Pic().Image(), downRight);
        QCOMPARE(e.Marked(), 31 * 39);
    }

    void RubberBand_Should_BeInvertedOnScreenOnly() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80, 0xFF102030u)});
        e.Press({10, 10});
        e.Move({20, 20});
        QCOMPARE(e.Pic().Composed().pixel(15, 15), 0xFFEFDFCFu);
        QCOMPARE(e.At(15, 15), 0xFF102030u);
    }

    void RightPress_Should_CancelTheBandAndPaintNothing() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.Press({10, 10});
        e.Move({30, 30});
        e.Press({30, 30}, Qt::RightButton);
        QVERIFY(e.Pic().OverlayEmpty());
        e.Release({30, 30}, Qt::RightButton);
        QCOMPARE(e.Marked(), 0);
        QVERIFY(e.form->Tools().PendingPoints().empty());
    }

    void MiddlePress_Should_KeepTheBandUntilTheNextLeftPress() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.Click({10, 10}, Qt::MiddleButton);
        e.Move({20, 25});
        QVERIFY(!e.Pic().OverlayEmpty());
        QCOMPARE(e.Marked(), 0);
        e.Press({20, 25});
        QCOMPARE(e.Marked(), 11 * 16);
    }

    void Polygon_Should_CloseOnTheStartAndFinishOnADoubleClick() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.form->Option1->click();
        e.Click({10, 10});
        e.Click({50, 10});
        e.Click({10, 50});
        e.Click({10, 11});  // on the start: closes
        QVERIFY(e.Marked() > 0);
        QCOMPARE(e.At(20, 20), MarkerColor);
        QCOMPARE(e.At(45, 45), Grey);
        QCOMPARE(e.form->Tools().PendingPoints().size(), 1u);
        e.Press({60, 60}, Qt::RightButton);

        const int before = e.Marked();
        e.Click({60, 10});
        e.Click({90, 10});
        e.Click({90, 40});
        e.Press({60, 40});
        e.Release({60, 40});
        QTest::mouseDClick(&e.Pic(), Qt::LeftButton, {}, QPoint(60, 40));
        e.Release({60, 40});
        QCOMPARE(e.Marked(), before + 31 * 31);
        QCOMPARE(e.form->Tools().PendingPoints().size(),
                 1u);  // the last release began a new outline
    }

    void Star_Should_KeepItsCentreUnpainted() {
        Editor e;
        e.Open({e.Picture("a.bmp", 120, 120)});
        e.form->Option1->click();
        const QPoint star[] = {{60, 10}, {89, 100}, {12, 44}, {108, 44}, {31, 100}};
        for (QPoint p : star) e.Click(p);
        e.Click(star[0]);
        QCOMPARE(e.At(60, 60), Grey);
        QCOMPARE(e.At(60, 25), MarkerColor);
        QCOMPARE(e.At(30, 48), MarkerColor);
    }

    void ToolChoice_Should_BeStoredAndUsedAtTheNextStart() {
        Editor e;
        QVERIFY(e.form->Option2->isChecked());
        QCOMPARE(e.form->Tools().CurrentTool(), MarkingTools::Tool::Box);
        e.form->Option1->click();
        QCOMPARE(GetSetting(QStringLiteral("Option1")), QStringLiteral("True"));
        QCOMPARE(GetSetting(QStringLiteral("Option2")), QStringLiteral("False"));
        Form2 again(e.list, &e.listWindow);
        QVERIFY(again.Option1->isChecked());
        QCOMPARE(again.Tools().CurrentTool(), MarkingTools::Tool::Polygon);
    }

    void BlockSize_Should_RaiseScanBorderToTwiceItsValue() {
        Editor e;
        e.form->HScroll1->setValue(8);
        QCOMPARE(e.form->HScroll2->value(), 16);
        QCOMPARE(e.form->Label4->text(), QStringLiteral("16"));
        e.form->HScroll1->setValue(4);
        QCOMPARE(e.form->HScroll2->value(), 16);
        QCOMPARE(e.form->Label2->text(), QStringLiteral("4"));
        e.form->HScroll2->setValue(10);
        QCOMPARE(e.form->Label4->text(), QStringLiteral("10"));
    }

    void BigImageQuestion_Should_ComeFrom1512Pixels() {
        Editor e;
        e.Open({e.Picture("a.bmp", 1511, 20), e.Picture("b.bmp", 20, 1512)});
        QVERIFY(e.dialogs.shown.isEmpty());
        e.form->PushButton1->click();
        QCOMPARE(e.dialogs.Messages(), QStringList{BigQuestion()});
        QCOMPARE(e.dialogs.shown[0].caption, QStringLiteral("Big Image File"));
        QCOMPARE(e.dialogs.shown[0].buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(e.dialogs.shown[0].icon, Dialogs::Icon::None);
        // No: edited at full size with a bar.
        QCOMPARE(e.Pic().size(), QSize(20, 1512));
        QVERIFY(e.form->VscrPic->isVisibleTo(e.form.get()));
    }

    void ReducedPicture_Should_Be487By380AndKeepTheFileSize() {
        Editor e;
        e.dialogs.answers.enqueue(Dialogs::Answer::Yes);
        e.Open({e.Picture("a.bmp", 3000, 1000)});
        QCOMPARE(e.Pic().size(), QSize(487, 380));
        QCOMPARE(e.form->OrigWidth, 3000);
        QCOMPARE(e.form->OrigHeight, 1000);
        QVERIFY(!e.form->HscrPic->isVisibleTo(e.form.get()));
        QVERIFY(e.form->VscrPic->isVisibleTo(e.form.get()));
        QCOMPARE(e.form->VscrPic->geometry(), QRect(487, 0, 12, 334));
        QCOMPARE(e.form->VscrPic->maximum(), 46);
        QCOMPARE(e.form->Frame5->geometry(), QRect(487, 334, 12, 12));
    }

    void ScrollingToTheEnd_Should_PutTheRightEdgeAtTheBar() {
        Editor e;
        e.Open({e.Picture("a.bmp", 600, 300)});
        QCOMPARE(e.form->HscrPic->geometry(), QRect(0, 300, 508, 12));
        QVERIFY(!e.form->VscrPic->isVisibleTo(e.form.get()));
        e.form->HscrPic->setValue(e.form->HscrPic->maximum());
        QCOMPARE(e.Pic().geometry().right() + 1, 508);
        // A new picture starts at the top-left corner again.
        e.form->LoadNewPicture(e.Picture("b.bmp", 400, 300));
        QCOMPARE(e.Pic().pos(), QPoint(0, 0));
        QVERIFY(!e.form->HscrPic->isVisibleTo(e.form.get()));
        QVERIFY(!e.form->Frame5->isVisibleTo(e.form.get()));
    }

    void StartWithoutMarks_Should_SayNothingIsMarkedAndChangeNothing() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40)});
        const QImage before = e.Pic().Image();
        e.Press({5, 5});  // a box begun is not a mark yet
        e.form->PushButton3->click();
        QCOMPARE(e.dialogs.Messages(),
                 QStringList{QStringLiteral(
                     "Nothing is marked: paint a box or polygon over the imprint first.")});
        QCOMPARE(engine.runs, 0);
        QVERIFY(!e.form->UndoReady);
        QCOMPARE(e.Pic().Image(), before);
        QCOMPARE(e.form->PushButton3->text(), QStringLiteral("Start Removing"));
    }

    void FinerFill_Should_FillInsteadOfTheExactEngineAndBeRemembered() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        QVERIFY(!e.form->FinerFill->isChecked());  // off by default
        QCOMPARE(e.form->FinerFill->parentWidget(), e.form->NewControlsRow());
        e.Open({e.Picture("a.bmp", 60, 40)});
        QVERIFY(QRect(QPoint(0, 0), e.form->NewControlsRow()->size())
                    .contains(e.form->FinerFill->geometry()));
        e.form->FinerFill->click();
        e.Drag({10, 10}, {20, 18});
        e.form->PushButton3->click();
        QCOMPARE(engine.runs, 0);
        QCOMPARE(e.dialogs.Messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(e.Marked(), 0);
        QCOMPARE(e.At(15, 14), Grey);  // a flat picture fills flat
        QCOMPARE(e.Pic().Picture(), e.Pic().Image());

        Form2 again(e.list, &e.listWindow);  // the choice is kept for the next run
        QVERIFY(again.FinerFill->isChecked());
        again.FinerFill->click();
        Form2 third(e.list, &e.listWindow);
        QVERIFY(!third.FinerFill->isChecked());
        e.form->FinerFill->click();  // off: the exact engine runs again
        e.Drag({30, 10}, {34, 14});
        e.form->PushButton3->click();
        QCOMPARE(engine.runs, 1);
        QCOMPARE(e.At(32, 12), Filler);
    }

    void Removal_Should_SayDoneAndUndoShouldRestoreThePictureEachTime() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40)});
        const QImage original = e.Pic().Picture();
        e.form->PushButton12->click();  // nothing to undo yet
        QCOMPARE(e.Pic().Image(), original);
        e.Drag({5, 5}, {10, 8});
        QStringList captions;
        engine.onYield = [&](int) { captions << e.form->PushButton3->text(); };
        e.form->PushButton3->click();
        QCOMPARE(captions.first(), QStringLiteral("Stop"));
        QCOMPARE(e.dialogs.Messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(e.At(7, 7), Filler);
        QCOMPARE(e.Pic().Picture().pixel(7, 7), Filler);  // the result is the picture now
        QCOMPARE(e.form->CurrentPointer(), Form2::PointerMode::Default);

        e.form->PushButton12->click();
        QCOMPARE(e.Pic().Image(), original);  // without the marks
        e.form->PushButton12->click();
        QCOMPARE(e.Pic().Image(), original);
        // Marking and removing again works on the restored picture.
        e.Click({30, 30});
        e.form->PushButton3->click();
        QCOMPARE(e.At(30, 30), Filler);
        QCOMPARE(e.At(7, 7), Grey);
    }

    void RealEngine_Should_FillTheDateStampAndUndoShouldBringItBack() {
        Editor e;
        REQUIRE_SHARED_PHOTO(QStringLiteral("coffee-stamped.png"));
        const QString photo = SharedPhotos::Path(QStringLiteral("coffee-stamped.png"));
        e.Open({photo});
        const QImage original = e.Pic().Picture();
        e.Drag({467, 358}, {585, 386});  // the stamp's box
        QCOMPARE(e.Marked(), 119 * 29);
        QElapsedTimer timer;
        timer.start();
        e.form->PushButton3->click();
        qInfo("removal took %lld ms", timer.elapsed());
        QCOMPARE(e.dialogs.Messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(e.Marked(), 0);
        QCOMPARE(e.Pic().Picture(), e.Pic().Image());
        QVERIFY(e.Pic().Image() != original);
        QCOMPARE(e.Pic().Image().copy(0, 0, 400, 300), original.copy(0, 0, 400, 300));
        e.form->PushButton12->click();
        QCOMPARE(e.Pic().Image(), original);
    }

    void Stop_Should_EndTheRunWithoutDoneOrCommit() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40)});
        e.Drag({5, 5}, {10, 20});
        engine.onYield = [&](int step) {
            if (step == 2) e.form->PushButton3->click();  // the user presses "Stop"
        };
        e.form->PushButton3->click();
        QVERIFY(e.dialogs.shown.isEmpty());
        QCOMPARE(e.form->PushButton3->text(), QStringLiteral("Start Removing"));
        QCOMPARE(e.form->CurrentPointer(), Form2::PointerMode::Default);
        QVERIFY(!e.form->IsRemoving());
        // Live display showed the first rows; the rest is still marked, nothing committed.
        QCOMPARE(e.At(7, 5), Filler);
        QCOMPARE(e.At(7, 20), MarkerColor);
        QCOMPARE(e.Pic().Picture().pixel(7, 5), Grey);
        // The stop belonged to that run: the next one runs to the end.
        engine.onYield = nullptr;
        e.form->PushButton3->click();
        QCOMPARE(e.dialogs.Messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(e.At(7, 20), Filler);
    }

    void DuringARun_StepsBackUndoAndPaste_Should_DoNothing() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40), e.Picture("b.bmp", 30, 30)});
        e.Drag({5, 5}, {10, 8});
        QImage paste(10, 10, QImage::Format_RGB32);
        paste.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(paste);
        engine.onYield = [&](int step) {
            if (step != 1) return;
            e.form->PushButton5->click();
            e.form->PushButton1->click();
            e.form->PushButton2->click();
            e.form->PushButton12->click();
            e.Key(Qt::Key_V);
            e.form->PushButton3->click();  // stop
            e.form->PushButton3->click();  // a new start before the run has returned
        };
        e.form->PushButton3->click();
        QCOMPARE(engine.runs, 1);
        QCOMPARE(e.form->nCurrentFile, 1);
        QCOMPARE(e.Pic().size(), QSize(60, 40));
        QVERIFY(e.form->isVisible());
        QVERIFY(e.dialogs.shown.isEmpty());
    }

    // Each action has its guard: taken while a removal runs or while a save waits for the
    // converter, it changes nothing at all.
    void BusyEditor_Should_IgnoreEveryActionThatWouldChangeThePicture_data() {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("duringSave");
        const std::pair<const char*, Action> actions[] = {
            {"save", Action::Save},   {"skip", Action::Skip}, {"back", Action::Back},
            {"start", Action::Start}, {"undo", Action::Undo}, {"paste", Action::Paste}};
        for (const auto& [name, action] : actions) {
            QTest::addRow("%s during a removal", name) << action << false;
            QTest::addRow("%s during a save", name) << action << true;
        }
    }
    void BusyEditor_Should_IgnoreEveryActionThatWouldChangeThePicture() {
        QFETCH(Action, action);
        QFETCH(bool, duringSave);
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open(
            {e.Picture("a.png", 60, 40), e.Picture("b.png", 30, 30), e.Picture("c.png", 20, 20)});
        e.form->Frame7->Option4->click();  // a save that goes through would step on
        const QString go = e.dir.filePath(QStringLiteral("go"));
        e.form->Steps().converter.program = WaitingConverter(e.dir.path(), go);
        QImage pasted(10, 10, QImage::Format_RGB32);
        pasted.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(pasted);
        e.Drag({5, 5}, {10, 8});

        std::optional<EditorState> before, after;
        const auto act = [&] {
            if (before) return;
            before = StateOf(e, engine);
            Take(e, action);
            after = StateOf(e, engine);
        };
        if (duringSave) {
            e.form->PushButton3->click();  // a removal to undo: its result differs from the copy
            e.dialogs.shown.clear();
            QTimer poll;
            connect(&poll, &QTimer::timeout, [&] {
                if (!e.form->Steps().SaveBusy()) return;
                act();
                QFile(go).open(QIODevice::WriteOnly);
            });
            poll.start(1);
            e.form->PushButton5->click();
            QCOMPARE(e.dialogs.Messages(), QStringList());
            QCOMPARE(e.form->nCurrentFile, 2);  // the save itself went through
        } else {
            QFile(go).open(QIODevice::WriteOnly);
            engine.onYield = [&](int) { act(); };
            e.form->PushButton3->click();
            QVERIFY(!e.form->IsRemoving());
        }
        QVERIFY(before.has_value());
        QVERIFY(e.form->MayAct());
        QVERIFY(*after == *before);
    }

    void EngineError_Should_BeToldAndThePictureStayAsBefore() {
        Editor e;
        FakeEngine engine;
        engine.failAfterFirstRow = true;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40)});
        e.Drag({5, 5}, {10, 8});
        const QImage marked = e.Pic().Image();
        e.form->PushButton3->click();
        QCOMPARE(e.Pic().Image(), marked);
        QCOMPARE(e.dialogs.shown.size(), 1);
        QVERIFY(e.dialogs.shown[0].text.contains(QStringLiteral("no source area")));
        QCOMPARE(e.form->PushButton3->text(), QStringLiteral("Start Removing"));
        QCOMPARE(e.form->CurrentPointer(), Form2::PointerMode::Default);
    }

    void UndoAfterLoadingAnotherPicture_Should_DoNothing() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40), e.Picture("b.bmp", 30, 20, 0xFF0000FFu)});
        e.Drag({5, 5}, {10, 8});
        e.form->PushButton3->click();
        e.form->PushButton1->click();
        const QImage second = e.Pic().Image();
        e.form->PushButton12->click();
        QCOMPARE(e.Pic().Image(), second);
        QVERIFY(!e.form->UndoReady);
    }

    void Paste_Should_TakeAPictureOnlyWhenNoTextComesWithIt() {
        Editor e;
        e.Open({e.Picture("a.bmp", 600, 300)});
        QImage picture(100, 80, QImage::Format_RGB32);
        picture.fill(0xFF00FFFFu);
        auto* withText = new QMimeData;
        withText->setImageData(picture);
        withText->setText(QStringLiteral("caption"));
        QGuiApplication::clipboard()->setMimeData(withText);
        e.Key(Qt::Key_V);
        QCOMPARE(e.Pic().size(), QSize(600, 300));

        QGuiApplication::clipboard()->setImage(picture);
        e.Key(Qt::Key_V);
        QCOMPARE(e.Pic().size(), QSize(100, 80));
        QCOMPARE(e.At(50, 40), 0xFF00FFFFu);
        QVERIFY(!e.form->HscrPic->isVisibleTo(e.form.get()));
        QCOMPARE(e.form->OrigWidth, 600);
        QCOMPARE(e.form->nCurrentFile, 1);
    }

    void Copy_Should_TakeTheMarksButNotTheOverlay() {
        Editor e;
        e.Open({e.Picture("a.bmp", 60, 40)});
        e.Drag({2, 2}, {5, 5});
        e.Drag({20, 20}, {25, 22});
        e.Press({30, 10});
        e.Move({40, 30});  // a rubber band on screen
        e.Key(Qt::Key_C);
        const QImage copied =
            QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(copied, e.Pic().Image());
        QCOMPARE(copied.pixel(3, 3), MarkerColor);
        QCOMPARE(copied.pixel(35, 20), Grey);
    }

    // A picture gone from disk is named plainly (damaged ones: BadPictureRoadTest); the title
    // says where in the list the user is, and the list goes on.
    void GonePicture_Should_BeNamedPlainlyAndTheListGoOn() {
        Editor e;
        e.Open({e.Picture("a.bmp", 60, 40), e.dir.filePath(QStringLiteral("IMG_0412.jpg")),
                e.Picture("c.bmp", 30, 20)});
        QCOMPARE(e.form->windowTitle(), QStringLiteral("a.bmp (1 of 3) \u2014 Brisvane"));
        e.form->PushButton1->click();
        QCOMPARE(e.dialogs.Messages(),
                 QStringList{QStringLiteral(
                     "IMG_0412.jpg could not be opened: the file no longer exists.")});
        QVERIFY(!e.form->HasPicture());
        QCOMPARE(e.form->windowTitle(), QStringLiteral("IMG_0412.jpg (2 of 3) \u2014 Brisvane"));
        e.form->PushButton1->click();
        QCOMPARE(e.Pic().size(), QSize(30, 20));
    }

    void StepButtons_Should_WalkTheListAndGoBackAfterDone() {
        Editor e;
        const QString second = e.Picture("b.bmp", 30, 20);
        e.Open({e.Picture("a.bmp", 60, 40), QStringLiteral("  ") + second + QStringLiteral(" ")});
        e.form->PushButton1->click();
        QCOMPARE(e.form->nCurrentFile, 2);
        QCOMPARE(e.Pic().size(), QSize(30, 20));  // loaded from the trimmed text
        e.form->PushButton1->click();
        QCOMPARE(e.dialogs.Messages(), QStringList{QStringLiteral("Done.")});
        QVERIFY(e.listWindow.isVisible());
        QVERIFY(!e.form->isVisible());
        // Shown again, it starts at the first entry.
        e.form->ShowFromList();
        QCOMPARE(e.form->nCurrentFile, 1);
        QCOMPARE(e.Pic().size(), QSize(60, 40));
    }

    void Back_Should_ShowTheListWindow() {
        Editor e;
        e.Open({e.Picture("a.bmp", 60, 40)});
        e.form->PushButton2->click();
        QVERIFY(e.listWindow.isVisible());
        QVERIFY(!e.form->isVisible());
    }

    void EmptyList_Should_BeReportedOnShowing() {
        Editor e;
        e.form->ShowFromList();
        QCOMPARE(e.dialogs.shown.size(), 1);
        QVERIFY(e.dialogs.shown[0].text.contains(QStringLiteral("Form_Activate at line 102")));
    }

    void Closing_Should_StopTheRunningRemoval() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40)});
        e.Drag({5, 5}, {10, 20});
        engine.onYield = [&](int step) {
            if (step == 2) e.form->close();
        };
        e.form->PushButton3->click();
        QVERIFY(e.dialogs.shown.isEmpty());  // stopped: no "Done."
        QCOMPARE(e.At(7, 20), MarkerColor);
        QVERIFY(!e.form->IsRemoving());
    }

    // ---- taking marks back -----------------------------------------------------------------

    // Two boxes, the second over the first, then a polygon: each key gives back exactly the
    // picture as it was; a removal's result and "Undo Remove" are left alone.
    void TakingMarksBack_Should_ShowThePictureExactlyAsBefore_data() {
        QTest::addColumn<QString>("keys");  // z: Ctrl+Z, e: Escape
        QTest::addColumn<int>("marksLeft");
        QTest::newRow("Ctrl+Z") << "z" << 2;
        QTest::newRow("Ctrl+Z beyond the first mark") << "zzzz" << 0;
        QTest::newRow("Escape") << "e" << 0;
        QTest::newRow("Ctrl+Z, then Escape") << "ze" << 0;
    }
    void TakingMarksBack_Should_ShowThePictureExactlyAsBefore() {
        QFETCH(QString, keys);
        QFETCH(int, marksLeft);
        Editor e;
        QImage varied(80, 60, QImage::Format_RGB32);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) varied.setPixel(x, y, qRgb(x * 3, y * 4, (x * y) & 255));
        const QString path = e.dir.filePath(QStringLiteral("varied.bmp"));
        QVERIFY(varied.save(path));
        e.Open({path});
        QList<QImage> shown{e.Pic().Image()};
        e.Drag({5, 5}, {20, 20});
        shown << e.Pic().Image();
        e.Drag({15, 15}, {30, 30});
        shown << e.Pic().Image();
        e.form->Option1->click();
        for (QPoint p : {QPoint(40, 5), QPoint(70, 5), QPoint(55, 40), QPoint(40, 5)}) e.Click(p);
        e.Press({60, 50}, Qt::RightButton);  // the closing click's release began an outline
        shown << e.Pic().Image();
        for (QChar k : keys)
            e.Key(k == QLatin1Char('z') ? Qt::Key_Z : Qt::Key_Escape,
                  k == QLatin1Char('z') ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(e.Pic().Composed(), shown[marksLeft]);
    }

    void TakingMarksBack_Should_LeaveRemovalsAlone_AndEscapeInADragDropOnlyTheDrag() {
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        e.Open({e.Picture("a.bmp", 60, 40)});
        e.MarkAndRemove({5, 5}, {10, 8});
        e.Key(Qt::Key_Escape, Qt::NoModifier);
        e.Key(Qt::Key_Z);
        QCOMPARE(e.At(7, 7), Filler);  // the removal's result stays
        e.Drag({20, 20}, {30, 30});
        e.Press({40, 10});
        e.Move({50, 20});
        e.Key(Qt::Key_Escape, Qt::NoModifier);  // inside a drag: only the drag goes
        QVERIFY(e.Pic().OverlayEmpty() && e.form->Tools().PendingPoints().empty());
        QCOMPARE(e.At(25, 25), MarkerColor);
        e.Key(Qt::Key_Escape, Qt::NoModifier);
        QCOMPARE(e.At(25, 25), Grey);
    }

    // ---- closing with a result not saved --------------------------------------------------

    void Closing_Should_AskAboutAnUnsavedResult_data() {
        QTest::addColumn<bool>("removed");
        QTest::addColumn<int>("answer");  // Dialogs::Answer
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("nothing removed: no question")
            << false << int(Dialogs::Answer::Cancel) << true << false;
        QTest::newRow("Save") << true << int(Dialogs::Answer::Save) << true << true;
        QTest::newRow("Discard") << true << int(Dialogs::Answer::Discard) << true << false;
        QTest::newRow("Cancel") << true << int(Dialogs::Answer::Cancel) << false << false;
    }
    void Closing_Should_AskAboutAnUnsavedResult() {
        QFETCH(bool, removed);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        Editor e;
        FakeEngine engine;
        e.form->Engine = std::ref(engine);
        const QString out = e.UseOutputFolder();
        e.Open({e.Picture("IMG_0412.bmp", 60, 40)});
        if (removed) e.MarkAndRemove({5, 5}, {10, 8});
        e.dialogs.shown.clear();
        e.dialogs.answers.enqueue(static_cast<Dialogs::Answer>(answer));
        QCOMPARE(e.form->close(), closed);
        QCOMPARE(e.dialogs.Messages(),
                 removed
                     ? QStringList{QStringLiteral("Save changes to IMG_0412.bmp before closing?")}
                     : QStringList());
        if (removed) QCOMPARE(e.dialogs.shown[0].buttons, Dialogs::Buttons::SaveDiscardCancel);
        const QImage written(out + QStringLiteral("IMG_0412.bmp"));
        QCOMPARE(!written.isNull() && written.pixel(7, 7) == Filler, saved);
        QCOMPARE(e.list.IsSaved(1), saved);  // the list's check-mark
        // Answered once: the program's other window closing next does not ask again.
        e.dialogs.shown.clear();
        QCOMPARE(e.form->MayClose(), closed);
        QCOMPARE(e.dialogs.shown.isEmpty(), closed);
    }

    // One handler serves the four "?" buttons; each shows its own text and, when the box fails,
    // the report names the handler of the button clicked.
    void HelpButton_Should_ShowItsTextAndNameItsHandlerInAReport_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("procedure");
        QTest::newRow("removal")
            << 7
            << QStringLiteral(
                   "Create a small square around the part of the image you would like to remove."
                   "\r\n\r\nThe smaller the box, the better the removal appears to the eye. It may "
                   "be best to use multiple boxes instead of one big box.\r\n\r\nModifying the "
                   "block size and scan border will change the results as well.")
            << QStringLiteral("PushButton7_Click");
        QTest::newRow("block size")
            << 8
            << QStringLiteral(
                   "Block Size defines the size of the blocks that are used to remove the object "
                   "inside the picture. Use the slider to adjust the size (Minimum size is 2, "
                   "Maximum size is 32. A smaller size is recommended for small parts to be "
                   "removed. A bigger size is used for bigger objects).")
            << QStringLiteral("PushButton8_Click");
        QTest::newRow("scan border")
            << 9
            << QStringLiteral(
                   "Scan Border defines the size of the area (green box) that is used to definde "
                   "the area of the object that needs to be removed. Use the slider to adjust "
                   "size.")
            << QStringLiteral("PushButton9_Click");
        QTest::newRow("polygon")
            << 11
            << QStringLiteral(
                   "This method will allow you to select a region around the object to remove. "
                   "Please remember to make your final click at your starting position to make a "
                   "''complete'' shape.\r\n\r\nSingle-click to start selecting.\r\n"
                   "Right-click to reset/cancel.\r\nDouble-click to finish.")
            << QStringLiteral("PushButton11_Click");
    }
    void HelpButton_Should_ShowItsTextAndNameItsHandlerInAReport() {
        QFETCH(int, button);
        QFETCH(QString, text);
        QFETCH(QString, procedure);
        Editor e;
        QPushButton* help = button == 7   ? e.form->PushButton7
                            : button == 8 ? e.form->PushButton8
                            : button == 9 ? e.form->PushButton9
                                          : e.form->PushButton11;
        help->click();
        QCOMPARE(e.dialogs.Messages(), QStringList{text});
        QVERIFY(e.dialogs.shown[0].caption.isEmpty());  // the application title
        QCOMPARE(e.dialogs.shown[0].buttons, Dialogs::Buttons::Ok);
        QCOMPARE(e.dialogs.shown[0].icon, Dialogs::Icon::None);

        e.dialogs.onShow = [](const ScriptedDialogs::Shown& shown) {
            if (shown.caption.isEmpty()) throw AppError(QStringLiteral("no screen"));
        };
        help->click();
        QCOMPARE(e.dialogs.shown.size(), 3);
        QCOMPARE(e.dialogs.shown[2].caption, QStringLiteral("Application Error"));
        QVERIFY2(e.dialogs.shown[2].text.startsWith(
                     QStringLiteral("no screen\r\nin Velloran2021/08/31.Form2.") + procedure +
                     QStringLiteral(" at line 100")),
                 qPrintable(e.dialogs.shown[2].text));
    }

    void ToolClick_Should_ChooseTheToolEvenWhenTheStoreCannotBeWritten() {
        Editor e;
        QFile blocker(e.dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        UseSettingsFolder(blocker.fileName() + QStringLiteral("/settings"));
        try {
            SaveSetting(QStringLiteral("Option1"), QStringLiteral("True"));
            QSKIP("this system writes the settings even there");
        } catch (const std::runtime_error&) {
        }
        e.form->Option1->click();  // must not throw out of the click
        QCOMPARE(e.form->Tools().CurrentTool(), MarkingTools::Tool::Polygon);
        QVERIFY(e.form->Option1->isChecked());
        e.form->Option2->click();
        QCOMPARE(e.form->Tools().CurrentTool(), MarkingTools::Tool::Box);
        QVERIFY(e.dialogs.shown.isEmpty());
    }

    void Pointer_Should_BeTheHandOverButtonsUnlessBusy() {
        Editor e;
        QImage hand(16, 16, QImage::Format_ARGB32);
        hand.fill(Qt::black);
        QVERIFY(hand.save(e.dir.filePath(QStringLiteral("HAND-M.CUR")), "CUR") ||
                hand.save(e.dir.filePath(QStringLiteral("HAND-M.CUR")), "ICO"));
        Form2 form(e.list, &e.listWindow);
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(form.PushButton3, &enter);
        QCOMPARE(form.CurrentPointer(), Form2::PointerMode::Custom);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCoreApplication::sendEvent(form.Frame1, &enter);
        QCOMPARE(form.CurrentPointer(), Form2::PointerMode::Default);
        // A plain move over a help button inside a frame shows the hand too.
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.PushButton11, &move);
        QCOMPARE(form.CurrentPointer(), Form2::PointerMode::Custom);
        QCOMPARE(form.PicOrg->cursor().shape(), Qt::CrossCursor);
        form.SetPointer(Form2::PointerMode::Busy);
        QCoreApplication::sendEvent(form.PushButton3, &enter);
        QCOMPARE(form.CurrentPointer(), Form2::PointerMode::Busy);
        QCOMPARE(form.PicOrg->cursor().shape(), Qt::WaitCursor);
    }
};

QTEST_MAIN(Form2Test)
#include "Form2Test.moc"
