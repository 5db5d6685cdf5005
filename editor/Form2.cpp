#include "editor/Form2.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QToolButton>

#include "common/AppInfo.h"
#include "common/ErrorReport.h"
#include "common/PathHelpers.h"
#include "common/Settings.h"
#include "common/Skin.h"
#include "editor/EditorTexts.h"
#include "editor/PictureBars.h"
#include "editor/PictureBoxAccess.h"
#include "filelist/FileList.h"
#include "inpaint/Inpainting.h"
#include "inpaint/MarkerColor.h"
#include "inpaint/fine/FineFill.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "picture/PictureFile.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/PictureBox.h"
#include "platform/PixelDrawing.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString Where(const char* procedure) {
    return ErrorLocation(QStringLiteral("Form2"), QString::fromLatin1(procedure));
}

// The region tools draw on the picture area in the marker colour.
class PictureBoxMarking : public MarkingSurface {
public:
    PictureBoxMarking(PictureBox& box, MarkHistory& marks) : box_(box), marks_(marks) {}
    void ClearOverlay() override { box_.ClearOverlay(); }
    void OverlayBox(QPoint a, QPoint b, bool invert) override {
        box_.OverlayBox(a, b, MarkerColor,
                        invert ? pixels::DrawMode::Invert : pixels::DrawMode::Copy);
    }
    void OverlayLine(QPoint a, QPoint b, bool invert) override {
        box_.OverlayLine(a, b, MarkerColor,
                         invert ? pixels::DrawMode::Invert : pixels::DrawMode::Copy);
    }
    void PaintBox(QPoint a, QPoint b) override {
        if (box_.HasPicture()) marks_.Remember(box_.Image(), pixels::BoxBounds(a, b));
        box_.PaintBox(a, b, MarkerColor);
    }
    void PaintPolygon(const std::vector<QPoint>& corners) override {
        if (box_.HasPicture()) marks_.Remember(box_.Image(), pixels::PolygonBounds(corners));
        box_.PaintPolygon(corners, MarkerColor);
    }

private:
    PictureBox& box_;
    MarkHistory& marks_;
};

// Why a listed picture cannot be shown. It was there when it was listed, so a missing file has
// gone since.
QString LoadProblem(const QString& path, const QString& problem) {
    if (!QFileInfo::exists(path)) return QStringLiteral("the file no longer exists");
    return problem;
}

bool IsTextField(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) != nullptr;
}

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

// Each "?" button: its handler's name for the error report, and its text.
struct HelpButton {
    const char* procedure;
    QString text;
};

HelpButton HelpFor(Form2::Help topic) {
    switch (topic) {
        case Form2::Help::Removal:
            return {"PushButton7_Click",
                    QStringLiteral("Create a small square around the part of the image you would "
                                   "like to remove.") +
                        CRLF + CRLF +
                        QStringLiteral("The smaller the box, the better the removal appears to "
                                       "the eye. It may be best to use multiple boxes instead of "
                                       "one big box.") +
                        CRLF + CRLF +
                        QStringLiteral("Modifying the block size and scan border will change the "
                                       "results as well.")};
        case Form2::Help::BlockSize:
            return {"PushButton8_Click",
                    QStringLiteral(
                        "Block Size defines the size of the blocks that are used to remove the "
                        "object inside the picture. Use the slider to adjust the size (Minimum "
                        "size is 2, Maximum size is 32. A smaller size is recommended for small "
                        "parts to be removed. A bigger size is used for bigger objects).")};
        case Form2::Help::ScanBorder:
            return {"PushButton9_Click",
                    QStringLiteral("Scan Border defines the size of the area (green box) that is "
                                   "used to definde the area of the object that needs to be "
                                   "removed. Use the slider to adjust size.")};
        case Form2::Help::Polygon:
            break;
    }
    return {"PushButton11_Click",
            QStringLiteral("This method will allow you to select a region around the object to "
                           "remove. Please remember to make your final click at your starting "
                           "position to make a ''complete'' shape.") +
                CRLF + CRLF + QStringLiteral("Single-click to start selecting.") + CRLF +
                QStringLiteral("Right-click to reset/cancel.") + CRLF +
                QStringLiteral("Double-click to finish.")};
}

constexpr int ReducedWidth = 487;
constexpr int ReducedHeight = 380;

// A yes/no choice added to the window and kept in the settings: a store that cannot be read or
// written leaves it off, and never fails the window's load or the click. `changedByUser` is the
// control's signal of a change made by the user (a check box's click, a menu entry's trigger).
template <class Control, class Signal>
void RememberChoice(Control* box, Signal changedByUser, bool (*chosen)(), void (*setChosen)(bool)) {
    try {
        box->setChecked(chosen());
    } catch (const std::exception&) {
        box->setChecked(false);
    }
    QObject::connect(box, changedByUser, box, [setChosen](bool ticked) {
        try {
            setChosen(ticked);
        } catch (const std::exception&) {
        }
    });
}

}  // namespace

Form2::Form2(FileList& list, QWidget* listWindow)
    : list_(list),
      listWindow_(listWindow),
      pointer_(
          new WindowPointer(*this, [this](PointerMode mode) { ShowPictureAreaPointer(mode); })) {
    BuildControls();
    surface_ = std::make_unique<PictureBoxMarking>(*PicOrg, marks_);
    tools_ = std::make_unique<MarkingTools>(*surface_);
    steps_ = std::make_unique<SaveSteps>(*this, *Frame7);
    ConnectPictureArea();
    ConnectSliders();
    Form_Load();
    AddShortcutTips();
    LetSlidersTakeKeysAndTypedValues();
    UseProgramFont();
    RestoreWindowSize();
}

Form2::~Form2() {
    qApp->removeEventFilter(this);
}

// Scrolling, and the mouse on the picture for the marking tools.
void Form2::ConnectPictureArea() {
    connect(HscrPic, &QScrollBar::valueChanged, this,
            [this](int v) { PicOrg->move(-v, PicOrg->y()); });
    connect(VscrPic, &QScrollBar::valueChanged, this,
            [this](int v) { PicOrg->move(PicOrg->x(), -v); });
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
    // Marks on a picture that has been replaced or committed can no longer be taken back.
    connect(PicOrg, &PictureBox::PictureReplaced, this, [this] { marks_.Forget(); });
}

// Block Size and Scan Border as last set (4 and 10 at first), each shown beside its slider and
// stored on every change. A store that cannot be written leaves the slider as the user set it.
void Form2::ConnectSliders() {
    connect(HScroll1, &QScrollBar::valueChanged, this, &Form2::HScroll1_Change);
    connect(HScroll2, &QScrollBar::valueChanged, this, &Form2::HScroll2_Change);
    HScroll2->setValue(Settings::ScanBorder());
    HScroll1->setValue(Settings::BlockSize());
    HScroll2_Change(HScroll2->value());
    HScroll1_Change(HScroll1->value());
    const auto store = [](void (*set)(int)) {
        return [set](int value) {
            try {
                set(value);
            } catch (const std::exception&) {
            }
        };
    };
    connect(HScroll1, &QScrollBar::valueChanged, this, store(&Settings::SetBlockSize));
    connect(HScroll2, &QScrollBar::valueChanged, this, store(&Settings::SetScanBorder));
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
    RememberChoice(FinerFill, &QCheckBox::clicked, Settings::FinerFillChosen,
                   Settings::SetFinerFillChosen);
    RememberChoice(KeepMarks, &QCheckBox::clicked, Settings::KeepMarksChosen,
                   Settings::SetKeepMarksChosen);
    RememberChoice(FitBigPictures, &QCheckBox::clicked, Settings::FitBigPicturesChosen,
                   Settings::SetFitBigPicturesChosen);
    RememberChoice(FindImprintEach, &QAction::triggered, Settings::FindImprintEachChosen,
                   Settings::SetFindImprintEachChosen);
    qApp->installEventFilter(this);  // key preview: the window sees every key press first
}

// The list window's family at each control's own size. Set on every control: under the skin's
// style sheet a family set on the window alone does not reach its controls.
void Form2::UseProgramFont() {
    const QString family = ProgramFontFamily();
    QList<QWidget*> widgets = findChildren<QWidget*>();
    widgets << this;
    for (QWidget* w : widgets) {
        QFont font = w->font();
        font.setFamily(family);
        w->setFont(font);
    }
}

void Form2::LoadToolChoice() {
    // Each button chosen from the settings runs its click rule, which stores both again; here a
    // store that cannot be written is reported by the load step.
    if (Settings::PolygonToolChosen()) {
        Option1->setChecked(true);
        ChooseToolOption(MarkingTools::Tool::Polygon);
    }
    if (Settings::BoxToolChosen()) {
        Option2->setChecked(true);
        ChooseToolOption(MarkingTools::Tool::Box);
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
    loadingFromList_ = true;
    s.Do(102, [&] { LoadNewPicture(list_.Item(1)); });
    loadingFromList_ = false;
}

void Form2::LoadNewPicture(const QString& thefile) {
    ErrorSteps s(Where("LoadNewPicture"));
    const CarriedMarks carried = MarksToCarry();
    const auto paintCarried = qScopeGuard([&] { PaintMarksCarried(carried); });
    // Whatever happens, the undo copy belongs to the picture it was taken from.
    UndoReady = false;
    resultUnsaved_ = false;
    picUndo->SetPicture(QImage());
    full_ = fullUndo_ = FullSizePicture();
    ResetZoom();
    ShowPlaceInTitle(thefile);
    bool shown = false;
    s.Do(100, [&] {
        PicOrg->SetPicture(QImage());  // a file that cannot be read leaves nothing on show
        loadedTurn_ = QImageIOHandler::TransformationNone;
        shown = ShowPictureFile(thefile);
    });
    if (!shown) {
        ArrangePicture();  // no bars for an empty picture area
        return;
    }
    s.Do(102, [&] {
        OrigHeight = PicOrg->height();
        OrigWidth = PicOrg->width();
    });
    if (!s.Test(104, [&] { return IsBigPicture(OrigWidth, OrigHeight); })) {
        ArrangePicture();
        FocusPicture();
        return;
    }
    if (OpensFitted()) {  // whole and at full size, without the question
        ArrangePicture();
        ZoomToFit();
        FocusPicture();
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
        // The view is reduced; removal and saving work on the full size behind it.
        const QImage full = ReadPictureFile(thefile);
        full_ = FullSizePicture(full, QSize(ReducedWidth, ReducedHeight));
        PicOrg->SetPicture(full_.Reduced(full));
    });
    s.Do(112, [&] { ArrangePicture(); });
}

// Shows the file, or tells the user plainly why it cannot be opened (the step buttons go on).
bool Form2::ShowPictureFile(const QString& path) {
    const PictureRead read = ReadPicture(path);
    if (read.image.isNull()) {
        AppDialogs().Message(EditorTexts::CouldNotOpen(path, LoadProblem(path, read.problem)),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return false;
    }
    PicOrg->SetPicture(read.image);
    loadedTurn_ = read.turn;
    return true;
}

void Form2::ShowPlaceInTitle(const QString& path) {
    setWindowTitle(EditorTexts::Title(path, nCurrentFile, list_.Count()));
}

bool Form2::ShowBigImageQuestion() {
    const QString text =
        QStringLiteral("This image file size is big.") + QStringLiteral("\r\r") +
        QStringLiteral("Would you like to reduce the quality of the image and then edit?");
    return AppDialogs().Message(text, Dialogs::Buttons::YesNo, Dialogs::Icon::None,
                                QStringLiteral("Big Image File")) == Dialogs::Answer::Yes;
}

void Form2::ArrangePicture() {
    FitBars();
    HscrPic->setValue(0);
    VscrPic->setValue(0);
    PicOrg->move(0, 0);
    ShowZoom();
}

// The scroll bars for the picture at its zoom and the viewport's size; the scrolling stays.
void Form2::FitBars() {
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
    PicOrg->move(-HscrPic->value(), -VscrPic->value());
}

QImage Form2::PersistentImage() const {
    if (full_.Active()) return full_.WithMarks(PicOrg->Image(), PicOrg->Picture());
    return PicOrg->Image();
}
bool Form2::HasUnremovedMarks() const {
    const QImage& image = PicOrg->Image();
    const QImage& picture = PicOrg->Picture();
    if (image.size() != picture.size()) return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* now = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const auto* was = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((now[x] & 0xFFFFFFu) == inpaint::kMarkerPixel && now[x] != was[x]) return true;
    }
    return false;
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
    RememberWindowSize();
    if (listWindow_) listWindow_->show();
    hide();
}

bool Form2::MayAct() const {
    return steps_->MayAct();
}

void Form2::PushButton1_Click() {
    steps_->PushButton1_Click();
}

void Form2::PushButton5_Click() {
    steps_->PushButton5_Click();
}

void Form2::PushButton2_Click() {
    if (!MayAct()) return;
    ErrorSteps s(Where("PushButton2_Click"));
    s.Do(100, [&] { ShowListWindow(); });
}

void Form2::ResultSaved(int position) {
    resultUnsaved_ = false;
    if (position >= 1 && position <= list_.Count()) list_.MarkSaved(list_.Item(position));
}

bool Form2::MayClose() {
    // A running removal is stopped by the close; its result is not one to save.
    if (removing_ || !resultUnsaved_ || !HasPicture()) return true;
    const QString shown =
        nCurrentFile >= 1 && nCurrentFile <= list_.Count() ? list_.Item(nCurrentFile) : QString();
    switch (AppDialogs().Message(EditorTexts::SaveBeforeClosing(shown),
                                 Dialogs::Buttons::SaveDiscardCancel, Dialogs::Icon::Question)) {
        case Dialogs::Answer::Save:
            return steps_->SaveBeforeClosing();
        case Dialogs::Answer::Discard:
            resultUnsaved_ = false;  // asked once, whichever window closes next
            return true;
        default:
            return false;
    }
}

void Form2::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    RememberWindowSize();
    ErrorSteps s(Where("Form_QueryUnload"));
    s.Do(100, [&] { removalStop_.request_stop(); });
    event->accept();
    // Closing the editor ends the program; a running removal returns first (it sees the stop).
    s.Do(102, [&] { QCoreApplication::quit(); });
}

// ---------------------------------------------------------------------------------------------
// Tools and sliders

void Form2::ToolOption_Click(MarkingTools::Tool chosen) {
    // A click has no error report of its own: when the store cannot be written, the tool is
    // still chosen and the choice on screen stays.
    try {
        ChooseToolOption(chosen);
    } catch (const std::exception&) {
    }
}

// The rule of both tool options: take up the tool, then store both buttons, "Option1" first.
void Form2::ChooseToolOption(MarkingTools::Tool chosen) {
    tools_->ChooseTool(chosen);
    Settings::SetToolChoice(Option1->isChecked(), Option2->isChecked());
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
    if (s.Test(100, [&] { return PushButton3->text() != QStringLiteral("Stop"); }))
        StartRemoving(s);
    else
        StopRemoving(s);
}

void Form2::StartRemoving(ErrorSteps& s) {
    // Also a start while a stopped run has not yet returned: it waits for that run to end.
    if (!MayAct()) return;
    if (!HasUnremovedMarks()) {
        AppDialogs().Message(EditorTexts::NothingMarked(), Dialogs::Buttons::Ok,
                             Dialogs::Icon::Information);
        return;
    }
    s.Do(102, [&] { SavedCaption = PushButton3->text(); });
    s.Do(104, [&] { PushButton3->setText(QStringLiteral("Stop")); });
    s.Do(106, [&] { SetPointer(PointerMode::Busy); });
    s.Do(108, [&] { removalStop_ = std::stop_source(); });
    s.Do(110, [&] {
        picUndo->SetPicture(PicOrg->Picture());
        fullUndo_ = full_;
        fullUndo_.Restore(full_.Committed());
    });
    s.Do(112, [&] { UndoReady = true; });
    int steps = 0;
    resultUnsavedBeforeRun_ = resultUnsaved_;
    marks_.Forget();  // the marks are the run's now
    const QImage before = PicOrg->Image();
    EnableChoices(false);
    s.Do(114, [&] { steps = RunRemoval(); });
    EnableChoices(true);
    if (PicOrg->Image() != before) resultUnsaved_ = true;
    s.Do(116, [&] { SetPointer(PointerMode::Default); });
    s.Do(118, [&] { PushButton3->setText(SavedCaption); });
    if (steps > 0) s.Do(120, [&] { AppDialogs().Message(QStringLiteral("Done.")); });
}

void Form2::StopRemoving(ErrorSteps& s) {
    s.Do(122, [&] { PushButton3->setText(SavedCaption); });
    s.Do(124, [&] { SetPointer(PointerMode::Default); });
    s.Do(126, [&] { removalStop_.request_stop(); });
}

// Runs the engine on the picture area and returns its step count (0 when stopped). A run that
// fails leaves the picture with its marks as it was before.
int Form2::RunRemoval() {
    const QImage before = PicOrg->Image();
    inpaint::MarkMask marks = MarkerPixels(before);
    removing_ = true;
    try {
        inpaint::RunHooks hooks;
        hooks.yield = [] { QCoreApplication::processEvents(); };
        hooks.stop = removalStop_.get_token();
        PictureBoxAccess picture(*PicOrg);
        const int steps = full_.Active() ? FillAtFullSize(hooks) : Fill(picture, hooks);
        removing_ = false;
        if (steps > 0) removedMarks_ = std::move(marks);
        return steps;
    } catch (const inpaint::InpaintError& e) {
        removing_ = false;
        PicOrg->RestoreImage(before);
        AppDialogs().Message(QStringLiteral("The marked area cannot be removed: ") +
                                 QString::fromStdString(e.what()),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return 0;
    } catch (...) {
        removing_ = false;
        PicOrg->RestoreImage(before);
        throw;
    }
}

int Form2::Fill(inpaint::PictureAccess& picture, const inpaint::RunHooks& hooks) {
    if (FinerFill->isChecked()) return RunFinerFill(picture, hooks);
    inpaint::InpaintOptions options;
    options.liveDisplay = ChkPrev->isChecked();
    options.blockRadius = HScroll1->value();  // in full-size pixels on a reduced view too
    options.scanBorder = HScroll2->value();
    return Engine(picture, picture, options, hooks);
}

// A reduced big picture: the marks scaled up, the full size filled, the view showing it. A run
// that fails leaves the full size as it was.
int Form2::FillAtFullSize(const inpaint::RunHooks& hooks) {
    QImage work = full_.WithMarks(PicOrg->Image(), PicOrg->Picture());
    ReducedViewAccess access(work, *PicOrg, full_);
    const int steps = Fill(access, hooks);
    full_.SetWorking(work);
    if (access.Committed()) full_.Commit();
    return steps;
}

// The finer fill has no Block Size; it returns the pixels it filled, 0 when stopped.
int Form2::RunFinerFill(inpaint::PictureAccess& picture, const inpaint::RunHooks& hooks) {
    inpaint::fine::FineOptions options;
    options.liveDisplay = ChkPrev->isChecked();
    options.scanBorder = HScroll2->value();
    return inpaint::fine::InpaintPicture(picture, picture, options, hooks);
}

// ---------------------------------------------------------------------------------------------
// Undo, clipboard, help

void Form2::PushButton12_Click() {
    if (!MayAct()) return;
    ErrorSteps s(Where("PushButton12_Click"));
    s.Do(100, [&] {
        if (!UndoReady) return;
        const QSize shown = PicOrg->size();
        PicOrg->SetPicture(picUndo->Picture());
        full_ = fullUndo_;
        resultUnsaved_ = resultUnsavedBeforeRun_;
        // Only a paste since the removal can have changed the size; the bars must fit again.
        if (PicOrg->size() != shown) ArrangePicture();
    });
}

void Form2::PasteFromClipboard() {
    // Not under a removal, which writes back into a picture of the size it read, nor a save.
    if (!MayAct()) return;
    if (ClipboardFormat() != clip::Bitmap) return;
    full_ = FullSizePicture();  // the pasted picture is shown at its own size
    PicOrg->SetPicture(ClipboardGetPicture());
    ArrangePicture();
}

void Form2::CopyToClipboard() {
    ClipboardClear();
    if (PicOrg->HasPicture()) ClipboardPutPicture(PersistentImage());  // full size
}

void Form2::EnableChoices(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame3),
                       static_cast<QWidget*>(Frame4), static_cast<QWidget*>(Frame7),
                       static_cast<QWidget*>(PushButton1), static_cast<QWidget*>(PushButton2),
                       static_cast<QWidget*>(PushButton5), static_cast<QWidget*>(PushButton12),
                       static_cast<QWidget*>(FinerFill), static_cast<QWidget*>(FitBigPictures),
                       static_cast<QWidget*>(KeepMarks), static_cast<QWidget*>(RemoveInAll),
                       static_cast<QWidget*>(RemoveInAllMenu), static_cast<QWidget*>(SuggestBox)})
        w->setEnabled(enabled);
}

void Form2::TakeBackLastMark() {
    if (!MayAct()) return;
    tools_->ChooseTool(tools_->CurrentTool());  // an unfinished outline goes too
    if (const auto last = marks_.TakeLast()) PutBackMark(*last);
}

void Form2::TakeBackAllMarks() {
    if (!MayAct()) return;
    while (const auto last = marks_.TakeLast()) PutBackMark(*last);
}

void Form2::PutBackMark(const MarkHistory::Patch& patch) {
    const QImage pixels = patch.pixels.convertToFormat(QImage::Format_RGB32);
    PicOrg->WritePixels(patch.at.x(), patch.at.y(), pixels.width(), pixels.height(),
                        reinterpret_cast<const std::uint32_t*>(pixels.constBits()),
                        static_cast<int>(pixels.bytesPerLine() / 4));
    PicOrg->RedrawWritten();
}

// The keyboard's ways to the buttons and tools; true when the key was taken. Held keys do not
// repeat a step or a save.
bool Form2::OnShortcutKey(const QKeyEvent& key, QWidget* receiver) {
    const bool control = key.modifiers() & Qt::ControlModifier;
    const bool typing = IsTextField(receiver);
    const bool onPicture = receiver == PicOrg;
    QPushButton* button = nullptr;
    if (control && key.key() == Qt::Key_R) button = PushButton3;
    if (control && key.key() == Qt::Key_S) button = PushButton5;
    if (control && !typing && key.key() == Qt::Key_Right) button = PushButton1;
    if (control && !typing && key.key() == Qt::Key_Left) button = PushButton2;
    if (button) {
        if (!key.isAutoRepeat() && button->isEnabled()) button->click();
        return true;
    }
    if (typing) return false;
    if (control && key.key() == Qt::Key_Z) {
        TakeBackLastMark();
        return true;
    }
    if (key.key() == Qt::Key_Escape && key.modifiers() == Qt::NoModifier) {
        // Inside a drag Escape only drops the shape under way.
        if (!tools_->PendingPoints().empty())
            tools_->ChooseTool(tools_->CurrentTool());
        else
            TakeBackAllMarks();
        return true;
    }
    if (onPicture && key.modifiers() == Qt::NoModifier &&
        (key.key() == Qt::Key_B || key.key() == Qt::Key_P) && Frame1->isEnabled()) {
        QRadioButton* option = key.key() == Qt::Key_B ? Option2 : Option1;
        if (!option->isChecked()) option->click();
        return true;
    }
    return false;
}

void Form2::OnKeyPress(const QKeyEvent& key) {
    if (ZoomKey(key)) return;
    const bool control = key.modifiers() & Qt::ControlModifier;
    const QString text = key.text();
    if ((control && key.key() == Qt::Key_V) || text == QChar(22))
        PasteFromClipboard();
    else if ((control && key.key() == Qt::Key_C) || text == QChar(3))
        CopyToClipboard();
}

void Form2::Help_Click(Help topic) {
    const HelpButton help = HelpFor(topic);
    ErrorSteps(Where(help.procedure)).Do(100, [&] { AppDialogs().Message(help.text); });
}

// ---------------------------------------------------------------------------------------------
// Pointer shapes and key preview

// The picture area keeps its cross-hair, except for the hourglass.
void Form2::ShowPictureAreaPointer(PointerMode mode) {
    if (PicOrg) PicOrg->setCursor(mode == PointerMode::Busy ? Qt::WaitCursor : Qt::CrossCursor);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (PictureAreaEvent(watched, event)) return true;
    if (event->type() == QEvent::KeyPress) {
        // Key preview: seen once, at the control that receives the key first (the focused one,
        // or the window itself); the key goes on to that control as well.
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            QWidget* focused = QApplication::focusWidget();
            QWidget* receiver = (focused && focused->window() == this) ? focused : this;
            if (w == receiver) {
                const auto& key = *static_cast<QKeyEvent*>(event);
                if (OnShortcutKey(key, receiver)) return true;
                OnKeyPress(key);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
