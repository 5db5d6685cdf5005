// The editor window's controls and where they go, in pixels at 96 dots per inch. Every control is
// made here; what the controls do is in Form2.cpp.
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>

#include "common/Settings.h"
#include "editor/Form2.h"
#include "editor/TypedSliderValue.h"
#include "output/SaveOptionFrame.h"
#include "platform/PictureBox.h"

namespace {
namespace Place {
// The client area at its first size: the original controls, then one row of added controls at
// the bottom. The window may grow; the picture area takes the extra room.
constexpr QSize Window(1063, 431);
constexpr int RightColumnX = 536;
// Left column: "< Back" over the picture's viewport.
constexpr QRect Back(8, 8, 520, 27);
constexpr QRect Viewport(8, 42, 520, 346);
// Right column, top to bottom.
constexpr QRect ToolFrame(536, 2, 520, 48);
constexpr QRect BlockSizeFrame(536, 53, 520, 52);
constexpr QRect ScanBorderFrame(536, 109, 520, 52);
constexpr QRect StartRemoving(536, 168, 240, 27);
// The removal help lines up with the three "?" buttons in the frames above it.
constexpr QRect UndoRemove(784, 168, 224, 27);
constexpr QRect RemovalHelp(1016, 168, 32, 27);
constexpr QRect SaveOptionFrame(536, 199, 520, 121);
constexpr QRect SaveAndNext(536, 328, 520, 27);
constexpr QRect NextWithoutSaving(536, 362, 520, 27);
constexpr QRect NewControlsRow(536, 396, 520, 27);
constexpr int NewControlsSpacing = 4;
// Below the client area, out of sight.
constexpr QRect PreviewFrame(8, 908, 520, 25);
constexpr QRect UndoCopy(8, 936, 520, 380);

// Inside the frames.
constexpr int BoxOptionX = 12;
constexpr int PolygonOptionX = 140;
constexpr int OptionY = 20;
constexpr int OptionHeight = 22;
constexpr QSize HelpButton(32, 27);
constexpr int HelpButtonX = 480;
constexpr int ToolHelpY = 16;
constexpr int SliderHelpY = 18;
constexpr QRect ValueLabel(12, 22, 32, 20);
constexpr QRect Slider(56, 24, 410, 17);
constexpr QRect PreviewBox(12, 4, 120, 18);
}  // namespace Place

// Block Size and Scan Border: arrow steps of 2, each its own page step.
QScrollBar* MakeSlider(QWidget* frame, int minimum, int maximum, int pageStep) {
    auto* slider = new QScrollBar(Qt::Horizontal, frame);
    slider->setGeometry(Place::Slider);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(2);
    slider->setPageStep(pageStep);
    return slider;
}

QRadioButton* MakeOption(const QString& caption, QWidget* frame, int x) {
    auto* option = new QRadioButton(caption, frame);
    option->setGeometry(x, Place::OptionY, option->sizeHint().width(), Place::OptionHeight);
    return option;
}
}  // namespace

void Form2::BuildControls() {
    setMinimumSize(Place::Window);
    resize(Place::Window);
    PushButton2 = AddButton(this, QStringLiteral("< Back"), Place::Back);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    BuildPictureArea();
    BuildToolFrame();
    BuildSliderFrames();
    BuildRemovalRow();
    BuildSaveControls();
    BuildNewControlsRow();
    BuildFinerFill();
    BuildBatchControls();
    BuildSuggestBox();
    BuildFitBigPictures();
    BuildHiddenControls();
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->x() >= Place::RightColumnX || child->y() >= Place::Window.height())
            anchoredRight_.emplace_back(child, child->geometry());
    edgeTimer_ = new QTimer(this);
    connect(edgeTimer_, &QTimer::timeout, this, &Form2::ScrollAtEdge);
    pointer_->Follow(this, PointerMode::Default);
}

// The right-hand column keeps its distance from the window's right edge, the controls below the
// client area stay out of sight, and the picture area takes the rest.
void Form2::PlaceForSize(QSize size) {
    const QSize grown = size.expandedTo(Place::Window) - Place::Window;
    for (const auto& [control, first] : anchoredRight_) {
        const bool outOfSight = first.y() >= Place::Window.height();
        control->move(first.topLeft() +
                      QPoint(outOfSight ? 0 : grown.width(), outOfSight ? grown.height() : 0));
    }
    PushButton2->resize(Place::Back.size() + QSize(grown.width(), 0));
    PicScroll->resize(Place::Viewport.size() + grown);
}

void Form2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceForSize(event->size());
    FitBars();
    ShowZoom();
}

// The size the user last gave the window; a stored size that cannot be read is ignored.
void Form2::RestoreWindowSize() {
    try {
        const QStringList wh = Settings::EditorSize().split(QLatin1Char('x'));
        if (wh.size() == 2) resize(QSize(wh[0].toInt(), wh[1].toInt()).expandedTo(Place::Window));
        if (Settings::EditorMaximized()) setWindowState(windowState() | Qt::WindowMaximized);
    } catch (const std::exception&) {
    }
}

void Form2::RememberWindowSize() {
    const QSize normal = isMaximized() ? normalGeometry().size() : size();
    if (normal == Place::Window && !isMaximized()) return;  // never resized: nothing to keep
    try {
        Settings::SetEditorSize(QStringLiteral("%1x%2").arg(normal.width()).arg(normal.height()),
                                isMaximized());
    } catch (const std::exception&) {
    }
}

QPushButton* Form2::AddButton(QWidget* parent, const QString& caption, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(place);
    button->setAutoDefault(false);
    pointer_->Follow(button, PointerMode::Custom);
    return button;
}

QGroupBox* Form2::AddFrame(const QString& caption, QRect place) {
    auto* frame = new QGroupBox(caption, this);
    frame->setGeometry(place);
    pointer_->Follow(frame, PointerMode::Default);
    return frame;
}

// The viewport: the picture area, its scroll bars and the square between them.
void Form2::BuildPictureArea() {
    PicScroll = new QFrame(this);
    PicScroll->setGeometry(Place::Viewport);
    PicScroll->setFrameShape(QFrame::Box);
    PicScroll->setFrameShadow(QFrame::Plain);
    PicScroll->setLineWidth(1);
    PicOrg = new PictureBox(PicScroll);
    PicOrg->move(0, 0);
    PicOrg->setCursor(Qt::CrossCursor);
    PicOrg->setFocusPolicy(Qt::ClickFocus);  // the zoom keys act while it has the focus
    HscrPic = new QScrollBar(Qt::Horizontal, PicScroll);
    VscrPic = new QScrollBar(Qt::Vertical, PicScroll);
    for (QScrollBar* bar : {HscrPic, VscrPic}) {
        bar->setTracking(false);  // only completed changes scroll
        bar->setSingleStep(1);
        bar->hide();
    }
    Frame5 = new QFrame(PicScroll);
    Frame5->setAutoFillBackground(true);
    Frame5->hide();
    ZoomLabel = new QLabel(PicScroll);
    ZoomLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    ZoomLabel->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255, 255, 255, 200); color: black; padding: 1px 4px; }"));
    ZoomLabel->hide();
}

// "Select Option": the two tools and their help.
void Form2::BuildToolFrame() {
    Frame1 = AddFrame(QStringLiteral("Select Option"), Place::ToolFrame);
    Option2 = MakeOption(QStringLiteral("Box"), Frame1, Place::BoxOptionX);
    Option2->setChecked(true);
    Option1 = MakeOption(QStringLiteral("Polygon"), Frame1, Place::PolygonOptionX);
    connect(Option1, &QRadioButton::clicked, this,
            [this] { ToolOption_Click(MarkingTools::Tool::Polygon); });
    connect(Option2, &QRadioButton::clicked, this,
            [this] { ToolOption_Click(MarkingTools::Tool::Box); });
    PushButton11 = AddButton(Frame1, QStringLiteral("?"),
                             {{Place::HelpButtonX, Place::ToolHelpY}, Place::HelpButton});
    connect(PushButton11, &QPushButton::clicked, this, [this] { Help_Click(Help::Polygon); });
}

// "Block Size" and "Scan Border": a value, a slider and a help button each.
void Form2::BuildSliderFrames() {
    const QRect help({Place::HelpButtonX, Place::SliderHelpY}, Place::HelpButton);
    Frame3 = AddFrame(QStringLiteral("Block Size"), Place::BlockSizeFrame);
    Label2 = new QLabel(Frame3);
    Label2->setGeometry(Place::ValueLabel);
    HScroll1 = MakeSlider(Frame3, 2, 32, 8);
    PushButton8 = AddButton(Frame3, QStringLiteral("?"), help);
    connect(PushButton8, &QPushButton::clicked, this, [this] { Help_Click(Help::BlockSize); });

    Frame4 = AddFrame(QStringLiteral("Scan Border"), Place::ScanBorderFrame);
    Label4 = new QLabel(Frame4);
    Label4->setGeometry(Place::ValueLabel);
    HScroll2 = MakeSlider(Frame4, 10, 500, 10);
    PushButton9 = AddButton(Frame4, QStringLiteral("?"), help);
    connect(PushButton9, &QPushButton::clicked, this, [this] { Help_Click(Help::ScanBorder); });
}

// "Start Removing", "Undo Remove" and their help.
void Form2::BuildRemovalRow() {
    PushButton3 = AddButton(this, QStringLiteral("Start Removing"), Place::StartRemoving);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    PushButton12 = AddButton(this, QStringLiteral("Undo Remove"), Place::UndoRemove);
    connect(PushButton12, &QPushButton::clicked, this, &Form2::PushButton12_Click);
    PushButton7 = AddButton(this, QStringLiteral("?"), Place::RemovalHelp);
    connect(PushButton7, &QPushButton::clicked, this, [this] { Help_Click(Help::Removal); });
}

// "Save Option" (Option3, Option4 and Frame6 with Text1 and "...") and the two step buttons.
void Form2::BuildSaveControls() {
    Frame7 = new SaveOptionFrame(this);
    Frame7->setGeometry(Place::SaveOptionFrame);
    pointer_->Follow(Frame7, PointerMode::Default);
    pointer_->Follow(Frame7->Frame6, PointerMode::Default);
    pointer_->Follow(Frame7->Text1, PointerMode::Default);
    pointer_->Follow(Frame7->PushButton4, PointerMode::Custom);

    PushButton5 = AddButton(this, QStringLiteral("Save and Show Next Image"), Place::SaveAndNext);
    connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
    PushButton1 = AddButton(this, QStringLiteral("Do Not Save and Show Next Image"),
                            Place::NextWithoutSaving);
    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
}

// The row under the step buttons for controls added beyond the original window. Each control
// has its fixed rank in the row, whatever order the code adds them in.
void Form2::BuildNewControlsRow() {
    newControlsRow_ = new QWidget(this);
    newControlsRow_->setGeometry(Place::NewControlsRow);
    auto* row = new QHBoxLayout(newControlsRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(Place::NewControlsSpacing);
    row->addStretch();
}

void Form2::AddToNewControlsRow(QWidget* control, NewControl rank) {
    control->setProperty("newControlRank", static_cast<int>(rank));
    auto* row = static_cast<QHBoxLayout*>(newControlsRow_->layout());
    int at = 0;
    while (at < row->count() && row->itemAt(at)->widget() != nullptr &&
           row->itemAt(at)->widget()->property("newControlRank").toInt() < static_cast<int>(rank))
        ++at;
    row->insertWidget(at, control);
    pointer_->Follow(control, qobject_cast<QPushButton*>(control) != nullptr
                                  ? PointerMode::Custom
                                  : PointerMode::Default);
}

void Form2::BuildFinerFill() {
    FinerFill = new QCheckBox(QStringLiteral("Finer fill"), this);
    FinerFill->setToolTip(QStringLiteral(
        "Fill with blended patches found coarse to fine: smoother skies and straighter edges, "
        "a little slower"));
    AddToNewControlsRow(FinerFill, NewControl::FinerFill);
}

void Form2::BuildFitBigPictures() {
    FitBigPictures = new QCheckBox(QStringLiteral("Fit big pictures"), this);
    FitBigPictures->setToolTip(
        QStringLiteral("Open big pictures whole and at full size, without asking to reduce them; "
                       "Ctrl + wheel zooms"));
    AddToNewControlsRow(FitBigPictures, NewControl::FitBigPictures);
}

// Below the client area: "Preview" stays ticked for the whole run; the undo copy is never shown.
void Form2::BuildHiddenControls() {
    Frame2 = AddFrame(QStringLiteral("Show Preview"), Place::PreviewFrame);
    ChkPrev = new QCheckBox(QStringLiteral("Preview"), Frame2);
    ChkPrev->setGeometry(Place::PreviewBox);
    ChkPrev->setChecked(true);

    picUndo = new PictureBox(this);
    picUndo->setGeometry(Place::UndoCopy);
    picUndo->hide();
}

// Each keyboard way in, named in its control's tooltip.
void Form2::AddShortcutTips() {
    PushButton3->setToolTip(QStringLiteral("Start or stop removing the marked areas (Ctrl+R)"));
    PushButton5->setToolTip(QStringLiteral("Save this picture and show the next one (Ctrl+S)"));
    PushButton1->setToolTip(QStringLiteral("Show the next picture without saving (Ctrl+\u2192)"));
    PushButton2->setToolTip(QStringLiteral("Back to the list of pictures (Ctrl+\u2190)"));
    Option2->setToolTip(QStringLiteral("Mark with boxes (B, while the picture has the focus)"));
    Option1->setToolTip(QStringLiteral("Mark with polygons (P, while the picture has the focus)"));
    Frame1->setToolTip(
        QStringLiteral("Ctrl+Z takes back the last mark, Escape all marks not yet removed"));
    for (QScrollBar* slider : {HScroll1, HScroll2})
        slider->setToolTip(QStringLiteral("Drag, turn the mouse wheel or use the arrow keys"));
}

// The sliders take the wheel and the arrow keys; a click on the number beside one lets the user
// type its value.
void Form2::LetSlidersTakeKeysAndTypedValues() {
    HScroll1->setFocusPolicy(Qt::WheelFocus);
    HScroll2->setFocusPolicy(Qt::WheelFocus);
    new TypedSliderValue(Label2, HScroll1);
    new TypedSliderValue(Label4, HScroll2);
}
