#pragma once
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <stop_token>
#include <utility>
#include <vector>

#include "common/WindowPointer.h"
#include "editor/BatchRun.h"
#include "editor/FullSizePicture.h"
#include "editor/ImprintSearch.h"
#include "editor/MarkHistory.h"
#include "editor/MarkingTools.h"
#include "filelist/ListEditor.h"
#include "inpaint/Inpainting.h"
#include "output/StepHost.h"

class ErrorSteps;
class FileList;
class PictureBox;
class QAction;
class QCheckBox;
class QFrame;
class QKeyEvent;
class QMouseEvent;
class QTimer;
class QWheelEvent;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolButton;
class SaveOptionFrame;
class SaveSteps;

// The editor window. Shown from the file list with "Next >", which loads list entry 1; the
// user marks regions on the picture, removes them, and steps through the list.
class Form2 : public QWidget, public StepHost, public ListEditor {
    Q_OBJECT
public:
    // `list` is Form1's list; `listWindow` is shown again when the editor goes back.
    Form2(FileList& list, QWidget* listWindow);
    ~Form2() override;

    // Shows the editor from the file list ("Next >"): nCurrentFile := 1, loads entry 1.
    void ShowFromList() override;
    // Closing the editor or the program with a removal result unsaved asks first whether to
    // save it; false when the user chose to stay (or the save failed).
    bool MayClose() override;

    // Loads a picture file into the picture area; big pictures may be reduced to 487 x 380.
    void LoadNewPicture(const QString& thefile) override;
    // Fits the scroll bars to the picture and scrolls back to its top-left corner.
    void ArrangePicture();
    // The next list entry, or "Done." and back to the list after the last one.
    void ShowNextPicture();
    // Shows the list window and hides the editor.
    void ShowListWindow() override;

    // What the save step works with.
    QImage PersistentImage() const override;  // picture plus marks; null when nothing is loaded
    bool HasUnremovedMarks() const override;
    bool HasPicture() const;  // false after a failed load: nothing to save
    int ItemCount() const override;
    QString ItemText(int position) const override;
    int& CurrentFile() override { return nCurrentFile; }
    void SetBusyPointer(bool busy) override {
        SetPointer(busy ? PointerMode::Busy : PointerMode::Default);
    }
    bool RemovalRunning() const override { return removing_; }
    void ResultSaved(int position) override;
    bool IsRemoving() const { return removing_; }
    // Neither a save nor a removal is at work. Both let clicks through while they run; until they
    // end, the step buttons, "< Back", "Start Removing", "Undo Remove" and paste do nothing.
    bool MayAct() const;

    // The window's pointer; the hourglass doubles as the busy flag of the long steps.
    using PointerMode = WindowPointer::Mode;
    void SetPointer(PointerMode mode) { pointer_->Set(mode); }
    PointerMode CurrentPointer() const { return pointer_->Current(); }
    bool IsBusy() const { return pointer_->IsBusy(); }

    // The removal engine "Start Removing" runs (tests put a stand-in here).
    using RemovalEngine =
        std::function<int(inpaint::PictureAccess& source, inpaint::PictureAccess& target,
                          const inpaint::InpaintOptions& options, const inpaint::RunHooks& hooks)>;
    RemovalEngine Engine = inpaint::InpaintPicture;
    // The date-imprint finder "Suggest Box" and the batch run use (tests put a stand-in here).
    ImprintFinder Finder = detect::FindImprints;

    int nCurrentFile = 0;
    int OrigWidth = 0;
    int OrigHeight = 0;
    bool UndoReady = false;

    // Controls, by their design names.
    QPushButton* PushButton1 = nullptr;   // "Do Not Save and Show Next Image"
    QPushButton* PushButton2 = nullptr;   // "< Back"
    QPushButton* PushButton3 = nullptr;   // "Start Removing" / "Stop"
    QPushButton* PushButton5 = nullptr;   // "Save and Show Next Image"
    QPushButton* PushButton7 = nullptr;   // "?" removal help
    QPushButton* PushButton8 = nullptr;   // "?" Block Size help
    QPushButton* PushButton9 = nullptr;   // "?" Scan Border help
    QPushButton* PushButton11 = nullptr;  // "?" Polygon help
    QPushButton* PushButton12 = nullptr;  // "Undo Remove"
    QFrame* PicScroll = nullptr;
    PictureBox* PicOrg = nullptr;
    PictureBox* picUndo = nullptr;
    QScrollBar* HscrPic = nullptr;
    QScrollBar* VscrPic = nullptr;
    QFrame* Frame5 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    SaveOptionFrame* Frame7 = nullptr;  // "Save Option"
    QRadioButton* Option1 = nullptr;    // "Polygon"
    QRadioButton* Option2 = nullptr;    // "Box"
    QScrollBar* HScroll1 = nullptr;     // Block Size
    QScrollBar* HScroll2 = nullptr;     // Scan Border
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QCheckBox* ChkPrev = nullptr;
    QCheckBox* FinerFill = nullptr;      // "Finer fill": the finer fill instead of the exact one
    QCheckBox* KeepMarks = nullptr;      // "Keep marks": the marks go on to the next picture
    QPushButton* RemoveInAll = nullptr;  // "Remove in All Remaining Pictures"
    QToolButton* RemoveInAllMenu = nullptr;  // its options, on the arrow beside it
    QAction* FindImprintEach = nullptr;      // "Find the imprint on each picture"
    QPushButton* SuggestBox = nullptr;       // "Suggest Box": marks the date imprint found
    QCheckBox* FitBigPictures = nullptr;     // "Fit big pictures": open them whole, at full size
    QLabel* ZoomLabel = nullptr;             // the zoom, in the picture area's corner

    // Zoom and scrolling of the picture area (Form2View.cpp). Zooms run from fitting the whole
    // picture (never above 100 %) to 800 %.
    double Zoom() const;
    void ZoomTo(double zoom, QPointF anchor);  // keeps the picture point under `anchor` in place
    void ZoomTo(double zoom, QPointF anchor, QPointF onPicture);
    void ZoomToFit();
    void ZoomStep(int direction);  // "+" and "-": 25, 50, 100, 200, 400 %
    void ScrollTo(QPoint offset);

    MarkingTools& Tools() { return *tools_; }
    SaveSteps& Steps() { return *steps_; }

    // The "?" buttons, one per help text.
    enum class Help { Removal, BlockSize, ScanBorder, Polygon };

    // The added controls, in their order along the row under the step buttons.
    enum class NewControl {
        KeepMarks,
        RemoveInAll,
        RemoveInAllMenu,
        SuggestBox,
        FinerFill,
        FitBigPictures
    };
    QWidget* NewControlsRow() const { return newControlsRow_; }

    // Event procedures.
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton5_Click();
    void PushButton12_Click();
    void Help_Click(Help topic);                       // PushButton7, 8, 9 and 11
    void ToolOption_Click(MarkingTools::Tool chosen);  // Option1 "Polygon", Option2 "Box"
    void PasteFromClipboard();
    void CopyToClipboard();
    void RemoveInAll_Click();
    void SuggestBox_Click();
    // Marks not yet removed can be taken back: the last one (Ctrl+Z) or all of them (Escape).
    void TakeBackLastMark();
    void TakeBackAllMarks();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls and where they go (Form2Layout.cpp).
    void BuildControls();
    void BuildPictureArea();
    void BuildToolFrame();
    void BuildSliderFrames();
    void BuildRemovalRow();
    void BuildSaveControls();
    void BuildNewControlsRow();
    void BuildFinerFill();
    void BuildFitBigPictures();
    void PlaceForSize(QSize size);
    void BuildHiddenControls();
    void AddShortcutTips();
    void LetSlidersTakeKeysAndTypedValues();
    QPushButton* AddButton(QWidget* parent, const QString& caption, QRect place);
    QGroupBox* AddFrame(const QString& caption, QRect place);
    void AddToNewControlsRow(QWidget* control, NewControl rank);

    void ConnectPictureArea();
    void ConnectSliders();
    void Form_Load();
    void LoadToolChoice();
    void UseProgramFont();
    void RestoreWindowSize();
    void RememberWindowSize();
    void FitBars();
    double MinZoom() const;
    QSize ViewRoom() const;
    void ZoomAboutCentre(double zoom);
    void ScrollBy(QPoint delta);
    void ShowZoom();
    void ResetZoom();
    bool OpensFitted() const;
    void FocusPicture();
    bool PictureAreaEvent(QObject* watched, QEvent* event);
    void PictureWheel(const QWheelEvent& wheel);
    bool StartPan(const QMouseEvent& mouse);
    bool FollowPointer(const QMouseEvent& mouse);
    bool EndPan(const QMouseEvent& mouse);
    void ScrollAtEdge();
    bool ZoomKey(const QKeyEvent& key);
    int RunFinerFill(inpaint::PictureAccess& picture, const inpaint::RunHooks& hooks);
    int Fill(inpaint::PictureAccess& picture, const inpaint::RunHooks& hooks);
    int FillAtFullSize(const inpaint::RunHooks& hooks);
    void ChooseToolOption(MarkingTools::Tool chosen);
    void StartRemoving(ErrorSteps& s);
    void StopRemoving(ErrorSteps& s);
    int RunRemoval();
    void HScroll1_Change(int value);
    void HScroll2_Change(int value);
    void ShowPictureAreaPointer(PointerMode mode);
    void OnKeyPress(const QKeyEvent& key);
    bool OnShortcutKey(const QKeyEvent& key, QWidget* receiver);
    bool ShowPictureFile(const QString& path);
    void ShowPlaceInTitle(const QString& path);
    void EnableChoices(bool enabled);
    void PutBackMark(const MarkHistory::Patch& patch);
    bool ShowBigImageQuestion();

    // Marks carried to other pictures (Form2Batch.cpp).
    void BuildBatchControls();
    inpaint::MarkMask UprightMarksOnShow() const;
    CarriedMarks MarksOnShow() const;
    CarriedMarks MarksToCarry();
    void PaintMarksCarried(const CarriedMarks& marks);
    bool BatchMayStart(const SaveChoice& choice, int pictures);
    void RunRemoveInAll(const CarriedMarks& marks, const SaveChoice& choice);

    // "Suggest Box" (Form2Imprint.cpp).
    void BuildSuggestBox();
    QList<QRect> SuggestedViewBoxes() const;

    FileList& list_;
    QWidget* listWindow_;
    std::unique_ptr<MarkingSurface> surface_;
    std::unique_ptr<MarkingTools> tools_;
    std::unique_ptr<SaveSteps> steps_;
    WindowPointer* pointer_;
    QWidget* newControlsRow_ = nullptr;
    // A big picture reduced for editing: its full size, and as it was before the last removal.
    FullSizePicture full_;
    FullSizePicture fullUndo_;
    // Controls that keep their place from the window's right edge, and where they stand at the
    // window's first size.
    std::vector<std::pair<QWidget*, QRect>> anchoredRight_;
    QTimer* edgeTimer_ = nullptr;
    QPoint lastPointer_;  // in the viewport
    Qt::MouseButton panButton_ = Qt::NoButton;
    QPoint panFrom_;
    bool spaceHeld_ = false;
    QPointF wheelAnchor_{-1, -1};  // where the last Ctrl + wheel turn was, in the viewport
    QPointF wheelTarget_;          // and the picture point it aimed at
    QString SavedCaption;
    MarkHistory marks_;
    bool resultUnsaved_ = false;
    bool resultUnsavedBeforeRun_ = false;  // what "Undo Remove" gives back
    bool removing_ = false;
    std::stop_source removalStop_;  // of the current or last removal: "Stop" and closing use it
    // The marks the last removal filled on the picture on show (upright); empty when none.
    inpaint::MarkMask removedMarks_;
    // How the picture on show was turned upright when read.
    QImageIOHandler::Transformations loadedTurn_ = QImageIOHandler::TransformationNone;
    bool loadingFromList_ = false;  // the first picture shown from the list carries nothing
};

// The editor as the list window makes it ("Next >").
std::unique_ptr<ListEditor> MakeEditor(FileList& list, QWidget* listWindow);
