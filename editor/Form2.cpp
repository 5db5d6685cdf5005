#include "editor/Form2.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "common/AppInfo.h"
#include "common/ErrorReport.h"
#include "common/PathHelpers.h"
#include "common/Settings.h"
#include "common/Skin.h"
#include "editor/PictureBars.h"
#include "editor/PictureBoxAccess.h"
#include "filelist/FileList.h"
#include "inpaint/Inpainting.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "picture/PictureFile.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/PictureBox.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString Where(const char* procedure) {
    return ErrorLocation(QStringLiteral("Form2"), QString::fromLatin1(procedure));
}

// The region tools draw on the picture area in the marker colour.
class PictureBoxMarking : public MarkingSurface {
public:
    explicit PictureBoxMarking(PictureBox& box) : box_(box) {}
    void ClearOverlay() override { box_.ClearOverlay(); }
    void OverlayBox(QPoint a, QPoint b, bool invert) override {
        box_.OverlayBox(a, b, MarkerColor,
                        invert ? pixels::DrawMode::Invert : pixels::DrawMode::Copy);
    }
    void OverlayLine(QPoint a, QPoint b, bool invert) override {
        box_.OverlayLine(a, b, MarkerColor,
                         invert ? pixels::DrawMode::Invert : pixels::DrawMode::Copy);
    }
    void PaintBox(QPoint a, QPoint b) override { box_.PaintBox(a, b, MarkerColor); }
    void PaintPolygon(const std::vector<QPoint>& corners) override {
        box_.PaintPolygon(corners, MarkerColor);
    }

private:
    PictureBox& box_;
};

QImage ReadPictureFile(const QString& path) {
    if (!FileExists(path) || FolderExists(path))
        throw AppError(QStringLiteral("File not found: ") + path);
    const PictureRead read = ReadPicture(path);
    if (read.image.isNull())
        throw AppError(QStringLiteral("Invalid picture: ") + path + QStringLiteral(" (") +
                       read.problem + QStringLiteral(")"));
    return read.image;
}

// Big: more than 40000 hundredths of a millimetre at 96 dots per inch in either direction,
// i.e. 1512 pixels or more.
bool IsBigPicture(int width, int height) {
    return qint64(width) * 2540 > qint64(40000) * 96 || qint64(height) * 2540 > qint64(40000) * 96;
}

constexpr int ReducedWidth = 487;
constexpr int ReducedHeight = 380;

QRect Place(int x, int y, int w, int h) {
    return QRect(x, y, w, h);
}

}  // namespace

Form2::Form2(FileList& list, QWidget* listWindow)
    : list_(list),
      listWindow_(listWindow),
      pointer_(
          new WindowPointer(*this, [this](PointerMode mode) { ShowPictureAreaPointer(mode); })) {
    BuildControls();
    Form_Load();
}

Form2::~Form2() {
    qApp->removeEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// Window load

void Form2::Form_Load() {
    ErrorSteps s(Where("Form_Load"));
    s.Do(100, [&] { ApplyButtonFaceColour(this); });
    s.Do(102, [&] {
        setWindowTitle(QStringLiteral("Brisvane"));
        setWindowIcon(ProgramIcon());
    });
    s.Do(104, [&] { SetAppTitle(); });
    s.Do(106, [&] { pointer_->LoadHand(); });
    s.Do(108, [&] { LoadToolChoice(); });
    // (110: the window works in pixels throughout; there is no unit to set.)
    s.Do(112, [&] {
        tools_->ChooseTool(Option1->isChecked() ? MarkingTools::Tool::Polygon
                                                : MarkingTools::Tool::Box);
    });
    s.Do(114, [&] { Frame7->RestoreFromSettings(); });
    qApp->installEventFilter(this);  // key preview: the window sees every key press first
}

void Form2::BuildControls() {
    setFixedSize(1063, 396);

    auto button = [&](const QString& caption, QRect place, void (Form2::*click)()) {
        auto* b = new QPushButton(caption, this);
        b->setGeometry(place);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, click);
        pointer_->Follow(b, PointerMode::Custom);
        return b;
    };
    auto frame = [&](const QString& caption, QRect place) {
        auto* f = new QGroupBox(caption, this);
        f->setGeometry(place);
        pointer_->Follow(f, PointerMode::Default);
        return f;
    };
    auto helpButton = [&](QWidget* parent, int x, int y, void (Form2::*click)()) {
        auto* b = new QPushButton(QStringLiteral("?"), parent);
        b->setGeometry(x, y, 32, 27);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, click);
        pointer_->Follow(b, PointerMode::Custom);
        return b;
    };

    auto valueLabel = [](QWidget* parent) {
        auto* l = new QLabel(parent);
        l->setGeometry(12, 22, 32, 20);
        return l;
    };
    // Arrow steps are 2 on both sliders.
    auto slider = [](QWidget* parent, int min, int max, int pageStep) {
        auto* s = new QScrollBar(Qt::Horizontal, parent);
        s->setGeometry(56, 24, 410, 17);
        s->setRange(min, max);
        s->setSingleStep(2);
        s->setPageStep(pageStep);
        return s;
    };

    PushButton2 = button(QStringLiteral("< Back"), Place(8, 8, 520, 27), &Form2::PushButton2_Click);

    // The viewport: the picture area with its scroll bars and the square between them.
    PicScroll = new QFrame(this);
    PicScroll->setGeometry(8, 42, 520, 346);
    PicScroll->setFrameShape(QFrame::Box);
    PicScroll->setFrameShadow(QFrame::Plain);
    PicScroll->setLineWidth(1);
    PicOrg = new PictureBox(PicScroll);
    PicOrg->move(0, 0);
    PicOrg->setCursor(Qt::CrossCursor);
    HscrPic = new QScrollBar(Qt::Horizontal, PicScroll);
    VscrPic = new QScrollBar(Qt::Vertical, PicScroll);
    Frame5 = new QFrame(PicScroll);
    Frame5->setAutoFillBackground(true);
    for (QScrollBar* bar : {HscrPic, VscrPic}) {
        bar->setTracking(false);  // only completed changes scroll
        bar->setSingleStep(1);
        bar->hide();
    }
    Frame5->hide();
    connect(HscrPic, &QScrollBar::valueChanged, this,
            [this](int v) { PicOrg->move(-v, PicOrg->y()); });
    connect(VscrPic, &QScrollBar::valueChanged, this,
            [this](int v) { PicOrg->move(PicOrg->x(), -v); });
    surface_ = std::make_unique<PictureBoxMarking>(*PicOrg);
    tools_ = std::make_unique<MarkingTools>(*surface_);
    connect(PicOrg, &PictureBox::MousePressed, this, [this](Qt::MouseButton b, QPointF p) {
        ErrorSteps(Where("PicOrg_MouseDown")).Do(100, [&] { tools_->Press(b, p); });
    });
    connect(PicOrg, &PictureBox::MouseMoved, this, [this](QPointF p) {
        ErrorSteps(Where("PicOrg_MouseMove")).Do(100, [&] { tools_->Move(p); });
    });
    connect(PicOrg, &PictureBox::MouseReleased, this,
            [this](Qt::MouseButton b, QPointF p) { tools_->Release(b, p); });
    connect(PicOrg, &PictureBox::DoubleClicked, this, [this](Qt::MouseButton, QPointF) {
        ErrorSteps(Where("PicOrg_DblClick")).Do(100, [&] { tools_->DoubleClick(); });
    });

    Frame1 = frame(QStringLiteral("Select Option"), Place(536, 2, 520, 48));
    Option2 = new QRadioButton(QStringLiteral("Box"), Frame1);
    Option2->setGeometry(12, 20, Option2->sizeHint().width(), 22);
    Option2->setChecked(true);
    Option1 = new QRadioButton(QStringLiteral("Polygon"), Frame1);
    Option1->setGeometry(140, 20, Option1->sizeHint().width(), 22);
    connect(Option1, &QRadioButton::clicked, this, &Form2::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form2::Option2_Click);
    PushButton11 = helpButton(Frame1, 480, 16, &Form2::PushButton11_Click);

    Frame3 = frame(QStringLiteral("Block Size"), Place(536, 53, 520, 52));
    Label2 = valueLabel(Frame3);
    HScroll1 = slider(Frame3, 2, 32, 8);
    PushButton8 = helpButton(Frame3, 480, 18, &Form2::PushButton8_Click);

    Frame4 = frame(QStringLiteral("Scan Border"), Place(536, 109, 520, 52));
    Label4 = valueLabel(Frame4);
    HScroll2 = slider(Frame4, 10, 500, 10);
    PushButton9 = helpButton(Frame4, 480, 18, &Form2::PushButton9_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &Form2::HScroll1_Change);
    connect(HScroll2, &QScrollBar::valueChanged, this, &Form2::HScroll2_Change);
    HScroll2->setValue(10);
    HScroll1->setValue(4);
    HScroll2_Change(HScroll2->value());
    HScroll1_Change(HScroll1->value());

    PushButton3 = button(QStringLiteral("Start Removing"), Place(536, 168, 240, 27),
                         &Form2::PushButton3_Click);
    PushButton12 =
        button(QStringLiteral("Undo Remove"), Place(784, 168, 232, 27), &Form2::PushButton12_Click);
    PushButton7 = button(QStringLiteral("?"), Place(1024, 169, 32, 27), &Form2::PushButton7_Click);

    // "Save Option": Option3, Option4 and Frame6 with Text1 and "...".
    Frame7 = new SaveOptionFrame(this);
    Frame7->setGeometry(536, 199, 520, 121);
    pointer_->Follow(Frame7, PointerMode::Default);
    pointer_->Follow(Frame7->Frame6, PointerMode::Default);
    pointer_->Follow(Frame7->Text1, PointerMode::Default);
    pointer_->Follow(Frame7->PushButton4, PointerMode::Custom);
    steps_ = std::make_unique<SaveSteps>(*this, *Frame7);

    PushButton5 = button(QStringLiteral("Save and Show Next Image"), Place(536, 328, 520, 27),
                         &Form2::PushButton5_Click);
    PushButton1 = button(QStringLiteral("Do Not Save and Show Next Image"),
                         Place(536, 362, 520, 27), &Form2::PushButton1_Click);

    // Below the client area, out of sight: "Preview" stays ticked for the whole run.
    Frame2 = frame(QStringLiteral("Show Preview"), Place(8, 908, 520, 25));
    ChkPrev = new QCheckBox(QStringLiteral("Preview"), Frame2);
    ChkPrev->setGeometry(12, 4, 120, 18);
    ChkPrev->setChecked(true);

    picUndo = new PictureBox(this);
    picUndo->setGeometry(8, 936, 520, 380);
    picUndo->hide();

    pointer_->Follow(this, PointerMode::Default);
}

void Form2::LoadToolChoice() {
    // Each button chosen from the settings runs its click rule, which stores both again.
    if (Settings::PolygonToolChosen()) {
        Option1->setChecked(true);
        Option1_Click();
    }
    if (Settings::BoxToolChosen()) {
        Option2->setChecked(true);
        Option2_Click();
    }
}

// ---------------------------------------------------------------------------------------------
// Showing, loading and arranging the picture

std::unique_ptr<ListEditor> MakeEditor(FileList& list, QWidget* listWindow) {
    return std::make_unique<Form2>(list, listWindow);
}

int Form2::ItemCount() const {
    return list_.Count();
}

QString Form2::ItemText(int position) const {
    return list_.Item(position);
}

void Form2::ShowFromList() {
    show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) raise();
    activateWindow();
    ErrorSteps s(Where("Form_Activate"));
    s.Do(100, [&] { nCurrentFile = 1; });
    s.Do(102, [&] { LoadNewPicture(list_.Item(1)); });
}

void Form2::LoadNewPicture(const QString& thefile) {
    ErrorSteps s(Where("LoadNewPicture"));
    // Whatever happens, the undo copy belongs to the picture it was taken from.
    UndoReady = false;
    picUndo->SetPicture(QImage());
    s.Do(100, [&] {
        PicOrg->SetPicture(QImage());  // a file that cannot be read leaves nothing on show
        PicOrg->SetPicture(ReadPictureFile(thefile));
    });
    s.Do(102, [&] {
        OrigHeight = PicOrg->height();
        OrigWidth = PicOrg->width();
    });
    if (!s.Test(104, [&] { return IsBigPicture(OrigWidth, OrigHeight); })) {
        ArrangePicture();
        return;
    }
    if (!s.Test(106, [&] { return ShowBigImageQuestion(); })) {
        ArrangePicture();
        return;
    }
    s.Do(108, [&] {
        // Let the window repaint after the question; clicks wait until the picture is in place.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    s.Do(110, [&] {
        const QImage full = ReadPictureFile(thefile);
        PicOrg->SetPicture(full.scaled(ReducedWidth, ReducedHeight, Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation));
    });
    s.Do(112, [&] { ArrangePicture(); });
}

bool Form2::ShowBigImageQuestion() {
    const QString text =
        QStringLiteral("This image file size is big.") + QStringLiteral("\r\r") +
        QStringLiteral("Would you like to reduce the quality of the image and then edit?");
    return AppDialogs().Message(text, Dialogs::Buttons::YesNo, Dialogs::Icon::None,
                                QStringLiteral("Big Image File")) == Dialogs::Answer::Yes;
}

void Form2::ArrangePicture() {
    const PictureBars bars =
        ArrangeBars(PicOrg->width(), PicOrg->height(), PicScroll->width(), PicScroll->height());
    HscrPic->setGeometry(bars.horizontal);
    VscrPic->setGeometry(bars.vertical);
    Frame5->setGeometry(bars.corner);
    HscrPic->setRange(0, qMax(0, bars.horizontalMax));
    VscrPic->setRange(0, qMax(0, bars.verticalMax));
    HscrPic->setPageStep(bars.horizontalPage);
    VscrPic->setPageStep(bars.verticalPage);
    HscrPic->setVisible(bars.horizontalShown);
    VscrPic->setVisible(bars.verticalShown);
    Frame5->setVisible(bars.cornerShown);
    HscrPic->raise();
    VscrPic->raise();
    Frame5->raise();
    HscrPic->setValue(0);
    VscrPic->setValue(0);
    PicOrg->move(0, 0);
}

QImage Form2::PersistentImage() const {
    return PicOrg->Image();
}
bool Form2::HasPicture() const {
    return PicOrg->HasPicture();
}

// ---------------------------------------------------------------------------------------------
// Stepping and going back

void Form2::ShowNextPicture() {
    steps_->ShowNextPicture();
}

void Form2::ShowListWindow() {
    if (listWindow_) listWindow_->show();
    hide();
}

void Form2::PushButton1_Click() {
    if (removing_) return;  // nothing is saved or replaced in the middle of a run
    steps_->PushButton1_Click();
}

void Form2::PushButton5_Click() {
    if (removing_) return;
    steps_->PushButton5_Click();
}

void Form2::PushButton2_Click() {
    if (removing_) return;
    ErrorSteps s(Where("PushButton2_Click"));
    s.Do(100, [&] { ShowListWindow(); });
}

void Form2::closeEvent(QCloseEvent* event) {
    ErrorSteps s(Where("Form_QueryUnload"));
    s.Do(100, [&] { removalStop_.request_stop(); });
    event->accept();
    // Closing the editor ends the program; a running removal returns first (it sees the stop).
    s.Do(102, [&] { QCoreApplication::quit(); });
}

// ---------------------------------------------------------------------------------------------
// Tools and sliders

void Form2::Option1_Click() {
    Settings::SetToolChoice(Option1->isChecked(), Option2->isChecked());
    tools_->ChooseTool(MarkingTools::Tool::Polygon);
}

void Form2::Option2_Click() {
    Settings::SetToolChoice(Option1->isChecked(), Option2->isChecked());
    tools_->ChooseTool(MarkingTools::Tool::Box);
}

void Form2::HScroll1_Change(int value) {
    Label2->setText(QString::number(value));
    if (HScroll2->value() < 2 * value) HScroll2->setValue(2 * value);
}

void Form2::HScroll2_Change(int value) {
    Label4->setText(QString::number(value));
}

// ---------------------------------------------------------------------------------------------
// Start Removing / Stop

void Form2::PushButton3_Click() {
    ErrorSteps s(Where("PushButton3_Click"));
    if (s.Test(100, [&] { return PushButton3->text() != QStringLiteral("Stop"); })) {
        // A start while the stopped run has not yet returned waits for that run to end.
        if (removing_) return;
        s.Do(102, [&] { SavedCaption = PushButton3->text(); });
        s.Do(104, [&] { PushButton3->setText(QStringLiteral("Stop")); });
        s.Do(106, [&] { SetPointer(PointerMode::Busy); });
        s.Do(108, [&] { removalStop_ = std::stop_source(); });
        s.Do(110, [&] { picUndo->SetPicture(PicOrg->Picture()); });
        s.Do(112, [&] { UndoReady = true; });
        int steps = 0;
        s.Do(114, [&] {
            const QImage before = PicOrg->Image();
            removing_ = true;
            try {
                PictureBoxAccess picture(*PicOrg);
                inpaint::InpaintOptions options;
                options.liveDisplay = ChkPrev->isChecked();
                options.blockRadius = HScroll1->value();
                options.scanBorder = HScroll2->value();
                inpaint::RunHooks hooks;
                hooks.yield = [] { QCoreApplication::processEvents(); };
                hooks.stop = removalStop_.get_token();
                steps = Engine(picture, picture, options, hooks);
                removing_ = false;
            } catch (const inpaint::InpaintError& e) {
                removing_ = false;
                PicOrg->RestoreImage(before);
                AppDialogs().Message(QStringLiteral("The marked area cannot be removed: ") +
                                         QString::fromStdString(e.what()),
                                     Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            } catch (...) {
                removing_ = false;
                PicOrg->RestoreImage(before);
                throw;
            }
        });
        s.Do(116, [&] { SetPointer(PointerMode::Default); });
        s.Do(118, [&] { PushButton3->setText(SavedCaption); });
        if (steps > 0) s.Do(120, [&] { AppDialogs().Message(QStringLiteral("Done.")); });
    } else {
        s.Do(122, [&] { PushButton3->setText(SavedCaption); });
        s.Do(124, [&] { SetPointer(PointerMode::Default); });
        s.Do(126, [&] { removalStop_.request_stop(); });
    }
}

// ---------------------------------------------------------------------------------------------
// Undo, clipboard, help

void Form2::PushButton12_Click() {
    if (removing_) return;
    ErrorSteps s(Where("PushButton12_Click"));
    s.Do(100, [&] {
        if (!UndoReady) return;
        const QSize shown = PicOrg->size();
        PicOrg->SetPicture(picUndo->Picture());
        // Only a paste since the removal can have changed the size; the bars must fit again.
        if (PicOrg->size() != shown) ArrangePicture();
    });
}

void Form2::PasteFromClipboard() {
    if (removing_) return;  // the engine writes back into a picture of the size it read
    if (ClipboardFormat() != clip::Bitmap) return;
    PicOrg->SetPicture(ClipboardGetPicture());
    ArrangePicture();
}

void Form2::CopyToClipboard() {
    ClipboardClear();
    if (PicOrg->HasPicture()) ClipboardPutPicture(PicOrg->Image());
}

void Form2::OnKeyPress(const QKeyEvent& key) {
    const bool control = key.modifiers() & Qt::ControlModifier;
    const QString text = key.text();
    if ((control && key.key() == Qt::Key_V) || text == QChar(22))
        PasteFromClipboard();
    else if ((control && key.key() == Qt::Key_C) || text == QChar(3))
        CopyToClipboard();
}

void Form2::PushButton7_Click() {
    ErrorSteps(Where("PushButton7_Click")).Do(100, [&] {
        AppDialogs().Message(
            QStringLiteral(
                "Create a small square around the part of the image you would like to remove.") +
            CRLF + CRLF +
            QStringLiteral(
                "The smaller the box, the better the removal appears to the eye. It may be best to "
                "use multiple boxes instead of one big box.") +
            CRLF + CRLF +
            QStringLiteral(
                "Modifying the block size and scan border will change the results as well."));
    });
}

void Form2::PushButton8_Click() {
    ErrorSteps(Where("PushButton8_Click")).Do(100, [&] {
        AppDialogs().Message(
            QStringLiteral("Block Size defines the size of the blocks that are used to remove the "
                           "object inside the "
                           "picture. Use the slider to adjust the size (Minimum size is 2, Maximum "
                           "size is 32. A smaller "
                           "size is recommended for small parts to be removed. A bigger size is "
                           "used for bigger objects)."));
    });
}

void Form2::PushButton9_Click() {
    ErrorSteps(Where("PushButton9_Click")).Do(100, [&] {
        AppDialogs().Message(
            QStringLiteral("Scan Border defines the size of the area (green box) that is used to "
                           "definde the area of the "
                           "object that needs to be removed. Use the slider to adjust size."));
    });
}

void Form2::PushButton11_Click() {
    ErrorSteps(Where("PushButton11_Click")).Do(100, [&] {
        AppDialogs().Message(
            QStringLiteral(
                "This method will allow you to select a region around the object to remove. Please "
                "remember to make your final click at your starting position to make a "
                "''complete'' shape.") +
            CRLF + CRLF + QStringLiteral("Single-click to start selecting.") + CRLF +
            QStringLiteral("Right-click to reset/cancel.") + CRLF +
            QStringLiteral("Double-click to finish."));
    });
}

// ---------------------------------------------------------------------------------------------
// Pointer shapes and key preview

// The picture area keeps its cross-hair, except for the hourglass.
void Form2::ShowPictureAreaPointer(PointerMode mode) {
    if (PicOrg) PicOrg->setCursor(mode == PointerMode::Busy ? Qt::WaitCursor : Qt::CrossCursor);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Key preview: seen once, at the control that receives the key first (the focused one,
        // or the window itself); the key goes on to that control as well.
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            QWidget* focused = QApplication::focusWidget();
            QWidget* receiver = (focused && focused->window() == this) ? focused : this;
            if (w == receiver) OnKeyPress(*static_cast<QKeyEvent*>(event));
        }
    }
    return QWidget::eventFilter(watched, event);
}
