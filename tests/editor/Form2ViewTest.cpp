#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "filelist/FileList.h"
#include "inpaint/PictureAccess.h"
#include "output/SaveOptionFrame.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"

namespace {
// An editor on one picture with a pattern, so that every pixel can be told from its neighbours.
struct ZoomEditor {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FileList list;
    QWidget listWindow;
    std::unique_ptr<Form2> form;

    explicit ZoomEditor(QSize size, bool fitBig = false) {
        UseSettingsFolder(dir.path() + QStringLiteral("/settings"));
        SetProgramFolder(dir.path());
        form = std::make_unique<Form2>(list, &listWindow);
        if (fitBig) form->FitBigPictures->click();
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, qRgb(x % 251, y % 241, 7));
        const QString path = dir.filePath(QStringLiteral("p.bmp"));
        if (!image.save(path)) qFatal("cannot write %s", qPrintable(path));
        list.Append(path);
        form->ShowFromList();
    }

    PictureBox& Pic() { return *form->PicOrg; }
    // Where the picture box stands in the viewport, negated: the scrolling.
    QPoint Scrolled() { return -Pic().pos(); }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(&Pic(), Qt::LeftButton, {}, from);
        QTest::mouseRelease(&Pic(), Qt::LeftButton, {}, to);
    }
    void Wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent wheel(QPointF(at), QPointF(Pic().mapToGlobal(at)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&Pic(), &wheel);
    }
};
}  // namespace

class Form2ViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void CtrlWheel_Should_ZoomAboutThePointer() {
        ZoomEditor e({2000, 1500});
        e.Wheel({300, 200}, 120, Qt::ControlModifier);
        QCOMPARE(e.form->Zoom(), 1.25);
        QCOMPARE(e.Pic().size(), QSize(2500, 1875));
        QCOMPARE(e.Scrolled(), QPoint(75, 50));  // picture point (300, 200) still under it
        e.form->ZoomTo(2.0, QPointF(100, 100));  // viewport (100, 100) shows picture (140, 120)
        QCOMPARE(e.Scrolled(), QPoint(180, 140));
        QCOMPARE(e.form->ZoomLabel->text(), QStringLiteral("200 %"));
        e.Wheel({10, 10}, -120 * 40, Qt::ControlModifier);  // down to the fit, no further
        QCOMPARE(e.form->Zoom(), 344.0 / 1500);  // the viewport less its frame: 518 x 344
        e.Wheel({10, 10}, 120 * 40, Qt::ControlModifier);
        QCOMPARE(e.form->Zoom(), 8.0);
    }

    void WheelAndShiftWheel_Should_Scroll() {
        ZoomEditor e({2000, 1500});
        e.Wheel({50, 50}, -120, Qt::NoModifier);
        QCOMPARE(e.Scrolled(), QPoint(0, 60));
        e.Wheel({50, 50}, -240, Qt::ShiftModifier);
        QCOMPARE(e.Scrolled(), QPoint(120, 60));
        QCOMPARE(e.form->Zoom(), 1.0);
    }

    void Keys_Should_ZoomOnlyWhileThePictureHasTheFocus() {
        ZoomEditor e({2000, 1500});
        e.Pic().setFocus();
        QVERIFY(QTest::qWaitFor([&] { return QApplication::focusWidget() == &e.Pic(); }));
        const double fit = 344.0 / 1500;
        struct Step {
            int key;
            Qt::KeyboardModifiers modifiers;
            double zoom;
        };
        const Step steps[] = {{Qt::Key_0, Qt::ControlModifier, fit},
                              {Qt::Key_Plus, {}, 0.25},
                              {Qt::Key_Plus, {}, 0.5},
                              {Qt::Key_Plus, {}, 1.0},
                              {Qt::Key_Plus, {}, 2.0},
                              {Qt::Key_Plus, {}, 4.0},
                              {Qt::Key_Plus, {}, 4.0},
                              {Qt::Key_Minus, {}, 2.0},
                              {Qt::Key_1, Qt::ControlModifier, 1.0},
                              {Qt::Key_Minus, {}, 0.5},
                              {Qt::Key_Minus, {}, 0.25},
                              {Qt::Key_Minus, {}, 0.25}};
        for (const Step& s : steps) {
            QTest::keyClick(&e.Pic(), Qt::Key(s.key), s.modifiers);
            QCOMPARE(e.form->Zoom(), s.zoom);
        }
        const double before = e.form->Zoom();
        QLineEdit* folder = e.form->Frame7->Text1;
        folder->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return QApplication::focusWidget() == folder; }));
        QTest::keyClick(folder, Qt::Key_1, Qt::ControlModifier);
        QTest::keyClick(folder, Qt::Key_Plus);
        QCOMPARE(e.form->Zoom(), before);
    }

    // A mark drawn at 25 % or 400 % covers the picture pixels under the pointer, exactly as the
    // same mark drawn at 100 % on those pixels.
    void Marks_Should_CoverThePixelsUnderThePointerAtEveryZoom() {
        ZoomEditor atFull({2400, 1800});  // big enough to show at 25 %
        atFull.Drag({42, 42}, {122, 102});
        struct Case {
            double zoom;
            QPoint from, to;  // on the zoomed view, over picture pixels (42, 42) and (122, 102)
        };
        for (const Case& c : {Case{0.25, {10, 10}, {30, 25}}, Case{4.0, {168, 171}, {491, 408}}}) {
            ZoomEditor zoomed({2400, 1800});
            zoomed.form->ZoomTo(c.zoom, QPointF());
            QCOMPARE(zoomed.form->Zoom(), c.zoom);
            zoomed.Drag(c.from, c.to);
            QCOMPARE(zoomed.Pic().Image(), atFull.Pic().Image());
        }
    }

    void Window_Should_GrowWithThePictureAreaAndKeepTheRightColumn() {
        ZoomEditor e({2000, 1500});
        QCOMPARE(e.form->size(), QSize(1063, 431));
        const QRect frame7 = e.form->Frame7->geometry();
        e.form->resize(1463, 931);
        QCOMPARE(e.form->PicScroll->geometry(), QRect(8, 42, 920, 846));
        QCOMPARE(e.form->Frame7->geometry(), frame7.translated(400, 0));
        QCOMPARE(e.form->NewControlsRow()->geometry(), QRect(936, 396, 520, 27));
        QVERIFY(e.form->Frame2->y() >= e.form->height());  // still out of sight
        e.form->ShowListWindow();                          // the size is kept for the next run
        ZoomEditor again({10, 10});
        Q_UNUSED(again);
    }

    void FitBigPictures_Should_OpenThemWholeAtFullSizeWithoutTheQuestion() {
        ZoomEditor e({3000, 2000}, true);
        QVERIFY(e.dialogs.shown.isEmpty());
        QCOMPARE(e.Pic().Image().size(), QSize(3000, 2000));
        QCOMPARE(e.form->Zoom(), 344.0 / 2000);
        QVERIFY(e.Pic().width() <= 518 && e.Pic().height() <= 344);
    }
    void OddSizes_Should_ZoomAndMarkInsideThePicture_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1 x 1") << QSize(1, 1);
        QTest::newRow("32000 x 200") << QSize(32000, 200);
        QTest::newRow("200 x 32000") << QSize(200, 32000);
    }

    void OddSizes_Should_ZoomAndMarkInsideThePicture() {
        QFETCH(QSize, size);
        ZoomEditor e(size, true);
        QVERIFY(e.Pic().width() <= 518 && e.Pic().height() <= 344);
        e.Pic().setFocus();
        QVERIFY(QTest::qWaitFor([&] { return QApplication::focusWidget() == &e.Pic(); }));
        for (int key : {Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Minus})
            QTest::keyClick(&e.Pic(), Qt::Key(key));
        e.Wheel({0, 0}, 120 * 30, Qt::ControlModifier);
        QCOMPARE(e.form->Zoom(), 8.0);
        e.Drag({0, 0}, {3, 3});  // at 800 %: the picture's first pixel, whatever its size
        QCOMPARE(e.Pic().Image().pixel(0, 0), 0xFF00FF00u);
        QTest::keyClick(&e.Pic(), Qt::Key_0, Qt::ControlModifier);
        QVERIFY(e.form->Zoom() <= 1.0);
    }

    // The engine writes into the picture box while the user zooms; the result is the same.
    void ZoomDuringARemoval_Should_LeaveTheResultAsItWouldBe() {
        ZoomEditor e({2000, 1500});
        e.Drag({10, 10}, {29, 19});
        int zooms = 0;
        e.form->Engine = [&](inpaint::PictureAccess& source, inpaint::PictureAccess& target,
                             const inpaint::InpaintOptions&, const inpaint::RunHooks& hooks) {
            std::vector<std::uint32_t> px(std::size_t(source.Width()) * source.Height());
            source.ReadPixels(px.data());
            for (int y = 10; y < 20; ++y) {
                for (int x = 10; x < 30; ++x) px[std::size_t(y) * source.Width() + x] = 0x123456;
                target.WritePixels(0, y, source.Width(), 1,
                                   px.data() + std::size_t(y) * source.Width(), source.Width());
                target.Redraw();
                e.form->ZoomTo(zooms++ % 2 ? 0.25 : 3.0, QPointF(50, 50));
                hooks.yield();
            }
            target.WritePixels(0, 0, source.Width(), source.Height(), px.data(), source.Width());
            target.Commit();
            return 10;
        };
        e.form->PushButton3->click();
        QCOMPARE(zooms, 10);
        QCOMPARE(e.Pic().Image().size(), QSize(2000, 1500));
        QCOMPARE(e.Pic().Image().pixel(20, 15), 0xFF123456u);
        QCOMPARE(e.Pic().Image().pixel(9, 9), qRgb(9, 9, 7));
        QCOMPARE(e.Pic().Picture(), e.Pic().Image());
    }
};

QTEST_MAIN(Form2ViewTest)
#include "Form2ViewTest.moc"
