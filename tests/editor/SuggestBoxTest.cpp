// "Suggest Box": the boxes a finder gives painted as the Box tool paints them, on the picture as
// shown, and "Remove in All Remaining Pictures" with the imprint found on each picture.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "editor/Form2.h"
#include "output/SaveOptionFrame.h"
#include "platform/PictureBox.h"
#include "support/EditorFixture.h"
#include "support/TaggedPhotos.h"

namespace {
constexpr QRgb Filler = 0xFF404040u;
constexpr QRgb Clean = 0xFF202020u;  // the stand-in finder sees no imprint on this colour

// Gives the boxes it was set up with, and notes what it was shown.
struct StandInFinder {
    QList<QRect> boxes;
    int calls = 0;
    QSize seen;
    QRgb firstPixel = 0;
    std::vector<detect::Box> operator()(const detect::PictureView& view) {
        ++calls;
        seen = QSize(view.width, view.height);
        firstPixel = view.pixels[0];
        if ((firstPixel & 0xFFFFFFu) == (Clean & 0xFFFFFFu)) return {};
        std::vector<detect::Box> found;
        for (const QRect& r : boxes) found.push_back({r.x(), r.y(), r.width(), r.height()});
        return found;
    }
};

// Replaces every marker pixel with Filler.
int FakeEngine(inpaint::PictureAccess& source, inpaint::PictureAccess& target,
               const inpaint::InpaintOptions&, const inpaint::RunHooks&) {
    const int w = source.Width(), h = source.Height();
    std::vector<std::uint32_t> px(std::size_t(w) * h);
    source.ReadPixels(px.data());
    for (std::uint32_t& p : px)
        if ((p & 0xFFFFFFu) == inpaint::kMarkerPixel) p = Filler;
    target.WritePixels(0, 0, w, h, px.data(), w);
    target.Commit();
    return 1;
}

struct Editor : EditorFixture {
    StandInFinder finder;
    Editor() { Make(); }
    void Make() {
        form = std::make_unique<Form2>(list, &listWindow);
        form->Engine = FakeEngine;
        form->Finder = std::ref(finder);
    }
    // A box drawn with the Box tool, corners inclusive.
    void Draw(QRect r) {
        form->Tools().Press(Qt::LeftButton, r.topLeft());
        form->Tools().Release(Qt::LeftButton, r.bottomRight());
    }
};

// `image` holds `colour` exactly on the pixels of `rects`.
bool OnlyIn(const QImage& image, const QList<QRect>& rects, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            bool inside = false;
            for (const QRect& r : rects) inside = inside || r.contains(x, y);
            if ((image.pixel(x, y) == colour) != inside) return false;
        }
    return true;
}

}  // namespace

class SuggestBoxTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What is found is painted, cut to the picture; nothing found (or only outside the picture)
    // is said and paints nothing.
    void SuggestBox_Should_PaintTheFoundBoxesOrSayNoneWasFound_data() {
        QTest::addColumn<QList<QRect>>("found");
        QTest::addColumn<QList<QRect>>("painted");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("one") << QList<QRect>{{70, 60, 25, 8}} << QList<QRect>{{70, 60, 25, 8}}
                             << QStringList();
        QTest::newRow("two") << QList<QRect>{{2, 3, 10, 4}, {80, 10, 6, 30}}
                             << QList<QRect>{{2, 3, 10, 4}, {80, 10, 6, 30}} << QStringList();
        QTest::newRow("past the edge")
            << QList<QRect>{{90, 75, 40, 40}} << QList<QRect>{{90, 75, 10, 5}} << QStringList();
        QTest::newRow("none") << QList<QRect>() << QList<QRect>()
                              << QStringList{"No date imprint found."};
        QTest::newRow("only outside") << QList<QRect>{{100, 0, 5, 5}, {-9, -9, 9, 9}}
                                      << QList<QRect>() << QStringList{"No date imprint found."};
    }
    void SuggestBox_Should_PaintTheFoundBoxesOrSayNoneWasFound() {
        QFETCH(QList<QRect>, found);
        QFETCH(QList<QRect>, painted);
        QFETCH(QStringList, messages);
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.finder.boxes = found;
        e.form->SuggestBox->click();
        QCOMPARE(e.finder.seen, QSize(100, 80));
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), painted, MarkerColor));
        QCOMPARE(e.form->HasUnremovedMarks(), !painted.isEmpty());
        QCOMPARE(e.dialogs.Messages(), messages);
    }

    // Marks drawn before stay; Ctrl+Z takes the suggested box back as a drawn one, and the undo
    // copy of the last removal is left as it was.
    void SuggestBox_Should_BeTakenBackLikeADrawnBoxAndKeepEarlierMarksAndUndo() {
        Editor e;
        e.Open({e.Picture("a.bmp", 100, 80)});
        e.Draw(QRect(5, 5, 10, 10));
        e.form->PushButton3->click();  // removed: "Undo Remove" has the grey picture
        const QImage removed = e.form->PicOrg->Image();
        e.Draw(QRect(20, 20, 5, 5));
        e.finder.boxes = {QRect(60, 50, 30, 20)};

        e.form->SuggestBox->click();
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {{20, 20, 5, 5}, {60, 50, 30, 20}}, MarkerColor));
        QVERIFY(e.form->UndoReady);
        QTest::keyClick(e.form->PicOrg, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {{20, 20, 5, 5}}, MarkerColor));
        QTest::keyClick(e.form->PicOrg, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.form->PicOrg->Image(), removed);

        e.form->PushButton12->click();  // "Undo Remove" still gives the picture before removal
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {}, MarkerColor));
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {}, Filler));
    }

    // A big picture shown reduced is searched at full size; the view's box covers the whole box
    // found, so the full-size marks do too.
    void SuggestBox_Should_SearchAReducedPictureAtFullSizeAndCoverTheFoundBox() {
        Editor e;
        e.dialogs.answers.enqueue(Dialogs::Answer::Yes);  // "Big Image File": reduce
        e.Open({e.Picture("big.bmp", 1948, 1520)});       // four times 487 x 380
        QCOMPARE(e.form->PicOrg->size(), QSize(487, 380));
        const QRect found(1601, 1203, 10, 5);  // full-size pixels 1601..1610, 1203..1207
        e.finder.boxes = {found};

        e.form->SuggestBox->click();

        QCOMPARE(e.finder.seen, QSize(1948, 1520));
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {{400, 300, 3, 2}}, MarkerColor));
        const QImage full = e.form->PersistentImage();
        for (int y = found.top(); y <= found.bottom(); ++y)
            for (int x = found.left(); x <= found.right(); ++x)
                QCOMPARE(full.pixel(x, y), MarkerColor);
    }

    // The finder sees the picture upright, as the editor shows it; nothing happens without one.
    void SuggestBox_Should_SearchTheUprightPictureAndDoNothingWithoutOne() {
        Editor e;
        QVERIFY(!e.form->SuggestBox->isEnabled());
        e.form->SuggestBox_Click();
        QCOMPARE(e.finder.calls, 0);
        QVERIFY(e.dialogs.Messages().isEmpty());

        const QString turned = e.dir.filePath("turned.jpg");
        QFile file(turned);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(TaggedPhotos::WithCameraMetadata(
            TaggedPhotos::Jpeg(TaggedPhotos::Photo(60, 40), {}), 6));  // a quarter turn
        file.close();
        e.Open({turned});
        QVERIFY(e.form->SuggestBox->isEnabled());
        e.finder.boxes = {QRect(0, 50, 40, 10)};
        e.form->SuggestBox->click();
        QCOMPARE(e.finder.seen, QSize(40, 60));
        QVERIFY(OnlyIn(e.form->PicOrg->Image(), {{0, 50, 40, 10}}, MarkerColor));
    }

    // With "Find the imprint on each picture" each picture gets the box found on it instead of
    // the marks on show; one with none found is left alone and listed, not as a failure. The
    // choice is remembered.
    void RemoveInAll_Should_UseTheFoundBoxesInPlaceOfTheMarksWhenChosen() {
        Editor e;
        QVERIFY(!e.form->FindImprintEach->isChecked());
        const QStringList pictures{e.Picture("p1.bmp", 100, 80),
                                   e.Picture("p2.bmp", 100, 80, Clean),
                                   e.Picture("p3.bmp", 120, 90)};
        const QString out = e.dir.filePath("out");
        QVERIFY(QDir().mkpath(out));
        e.Open(pictures);
        e.form->Frame7->Option3->click();
        e.form->Frame7->Text1->setText(out);
        e.Draw(QRect(80, 65, 10, 10));  // not used
        e.form->FindImprintEach->trigger();
        e.finder.boxes = {QRect(4, 6, 12, 5)};

        e.form->RemoveInAll->click();

        QCOMPARE(e.finder.calls, 3);
        QVERIFY(OnlyIn(QImage(out + "/p1.bmp"), {{4, 6, 12, 5}}, Filler));
        QVERIFY(OnlyIn(QImage(out + "/p3.bmp"), {{4, 6, 12, 5}}, Filler));
        QVERIFY(!QFile::exists(out + "/p2.bmp"));
        const QString summary = e.dialogs.Messages().value(0);
        QVERIFY2(summary.contains("in 2 picture(s)"), qPrintable(summary));
        QVERIFY(
            summary.contains("no date imprint found:\n" + QDir::toNativeSeparators(pictures[1])));
        QVERIFY(!summary.contains("problem"));
        QCOMPARE(e.dialogs.shown.value(0).icon, Dialogs::Icon::Information);

        e.Make();
        QVERIFY(e.form->FindImprintEach->isChecked());
    }
};

QTEST_MAIN(SuggestBoxTest)
#include "SuggestBoxTest.moc"
