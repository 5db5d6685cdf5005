// "Keep marks" and "Remove in All Remaining Pictures": the editor's marks carried to other
// pictures of the list (see BatchRun.h), or the imprint found on each picture instead.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

#include "common/ErrorReport.h"
#include "common/PathHelpers.h"
#include "common/Settings.h"
#include "editor/Form2.h"
#include "inpaint/fine/FineFill.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "platform/Dialogs.h"
#include "platform/PictureBox.h"

namespace {

QString TimeLeft(qint64 elapsedMs, int done, int total) {
    if (done == 0) return QStringLiteral("estimating the time left");
    const qint64 seconds = elapsedMs * (total - done) / done / 1000;
    if (seconds < 60) return QStringLiteral("about %1 s left").arg(seconds);
    return QStringLiteral("about %1 min left").arg((seconds + 30) / 60);
}

}  // namespace

void Form2::BuildBatchControls() {
    KeepMarks = new QCheckBox(QStringLiteral("Keep marks"), this);
    KeepMarks->setToolTip(
        QStringLiteral("Paint this picture's marks onto the next picture, at the same distance "
                       "from the nearest corner"));
    AddToNewControlsRow(KeepMarks, NewControl::KeepMarks);

    RemoveInAll = new QPushButton(QStringLiteral("Remove in All Remaining Pictures"), this);
    RemoveInAll->setAutoDefault(false);
    RemoveInAll->setToolTip(QStringLiteral(
        "Remove these marks from this picture and every one after it, and save each result"));
    connect(RemoveInAll, &QPushButton::clicked, this, &Form2::RemoveInAll_Click);
    AddToNewControlsRow(RemoveInAll, NewControl::RemoveInAll);

    // The run's options, on a menu of its own beside the button.
    RemoveInAllMenu = new QToolButton(this);
    RemoveInAllMenu->setArrowType(Qt::DownArrow);
    RemoveInAllMenu->setPopupMode(QToolButton::InstantPopup);
    RemoveInAllMenu->setToolButtonStyle(Qt::ToolButtonIconOnly);
    RemoveInAllMenu->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    RemoveInAllMenu->setFixedSize(16, RemoveInAll->sizeHint().height());  // the row is full
    RemoveInAllMenu->setToolTip(QStringLiteral("Options of \"Remove in All Remaining Pictures\""));
    auto* menu = new QMenu(RemoveInAllMenu);
    menu->setToolTipsVisible(true);
    FindImprintEach = menu->addAction(QStringLiteral("Find the imprint on each picture"));
    FindImprintEach->setCheckable(true);
    FindImprintEach->setToolTip(
        QStringLiteral("Mark the date imprint found on each picture instead of these marks; "
                       "pictures where none is found are left alone"));
    RemoveInAllMenu->setMenu(menu);
    AddToNewControlsRow(RemoveInAllMenu, NewControl::RemoveInAllMenu);
}

// The marks painted on the picture on show, or else those its last removal filled.
inpaint::MarkMask Form2::UprightMarksOnShow() const {
    if (!PicOrg->HasPicture()) return {};
    inpaint::MarkMask marks = PaintedMarks(PicOrg->Image(), PicOrg->Picture());
    if (!marks.Any() && removedMarks_.width == marks.width && removedMarks_.height == marks.height)
        marks = removedMarks_;
    return marks;
}

CarriedMarks Form2::MarksOnShow() const {
    return CarryMarks(UprightMarksOnShow(), loadedTurn_);
}

// Called as another picture is loaded: what goes on to it. The marks of the removal belong to
// the picture they were made on, so they are forgotten whatever happens.
CarriedMarks Form2::MarksToCarry() {
    CarriedMarks marks;
    if (KeepMarks->isChecked() && !loadingFromList_) marks = MarksOnShow();
    removedMarks_ = {};
    return marks;
}

void Form2::PaintMarksCarried(const CarriedMarks& marks) {
    if (marks.Empty() || !PicOrg->HasPicture()) return;
    QImage image = PicOrg->Image();
    QRect painted;
    PaintCarriedMarks(image, marks, loadedTurn_, &painted);
    if (painted.isEmpty()) return;
    marks_.Remember(PicOrg->Image(), painted);  // taken back like the user's own marks
    PicOrg->RestoreImage(image);
}

// ---------------------------------------------------------------------------------------------
// "Remove in All Remaining Pictures"

bool Form2::BatchMayStart(const SaveChoice& choice, int pictures) {
    if (!choice.toFolder && !choice.besideSource) {
        AppDialogs().Message(SaveMessages::NoSaveOption(ItemText(nCurrentFile)),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return false;
    }
    if (choice.toFolder && !FolderExists(choice.folder)) {
        const bool desktop = QDir::cleanPath(QDir::fromNativeSeparators(choice.folder)) ==
                             QDir::cleanPath(QDir::fromNativeSeparators(DesktopFolderPath()));
        if (!desktop || !QDir().mkpath(choice.folder)) {
            AppDialogs().Message(SaveMessages::FolderMissing());
            return false;
        }
    }
    return !choice.besideSource ||
           AppDialogs().Message(ReplaceOriginalsQuestion(pictures),
                                Dialogs::Buttons::YesNoDefaultNo,
                                Dialogs::Icon::Question) == Dialogs::Answer::Yes;
}

void Form2::RemoveInAll_Click() {
    if (!MayAct() || !PicOrg->HasPicture() || nCurrentFile < 1) return;
    ErrorSteps s(ErrorLocation(QStringLiteral("Form2"), QStringLiteral("RemoveInAll_Click")));
    // A big picture shown reduced is filled at full size: so are its marks, carried up as a
    // removal on it carries them.
    inpaint::MarkMask upright = UprightMarksOnShow();
    if (full_.Active()) {
        upright =
            upright.Any()
                ? PaintedMarks(full_.WithMarks(PicOrg->Image(), PicOrg->Picture()), full_.Working())
                : ScaledMarks(upright, full_.Working().width(), full_.Working().height());
    }
    const CarriedMarks marks = CarryMarks(upright, loadedTurn_);
    if (marks.Empty() && !FindImprintEach->isChecked()) {
        AppDialogs().Message(NoMarksToCarry(), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        return;
    }
    const SaveChoice choice = Frame7->Choice();
    if (!BatchMayStart(choice, ItemCount() - nCurrentFile + 1)) return;
    s.Do(100, [&] { RunRemoveInAll(marks, choice); });
}

// Every picture from the one on show to the last, one after the other on this thread: the
// engine lets the window's events through, so the Stop button answers. A stop lets the picture
// in hand finish and starts no other.
void Form2::RunRemoveInAll(const CarriedMarks& marks, const SaveChoice& choice) {
    const int first = nCurrentFile, last = ItemCount(), total = last - first + 1;
    BatchItemSetup setup;
    setup.marks = marks;
    if (FindImprintEach->isChecked()) setup.finder = Finder;  // in place of the marks
    setup.choice = choice;
    setup.converter = steps_->converter;
    setup.hooks.yield = [] { QCoreApplication::processEvents(); };
    const bool fine = FinerFill->isChecked();
    inpaint::InpaintOptions options;
    options.blockRadius = HScroll1->value();
    options.scanBorder = HScroll2->value();
    setup.fill = [&](inpaint::PictureAccess& picture, const inpaint::RunHooks& hooks) {
        if (!fine) return Engine(picture, picture, options, hooks);
        inpaint::fine::FineOptions fineOptions;
        fineOptions.scanBorder = options.scanBorder;
        return inpaint::fine::InpaintPicture(picture, picture, fineOptions, hooks);
    };

    removalStop_ = std::stop_source();
    removing_ = true;  // nothing else may step, undo or paste meanwhile
    EnableChoices(false);
    PushButton3->setEnabled(false);
    SetPointer(PointerMode::Busy);
    QProgressDialog progress(this);
    progress.setWindowTitle(QStringLiteral("Remove in All Remaining Pictures"));
    progress.setCancelButtonText(QStringLiteral("Stop"));
    progress.setRange(0, total);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setWindowModality(Qt::WindowModal);
    connect(&progress, &QProgressDialog::canceled, this, [this] { removalStop_.request_stop(); });

    QStringList failed, skipped, noImprint;
    int written = 0, done = 0;
    QElapsedTimer clock;
    clock.start();
    // The dialog's Stop button, its Escape key and closing the window all stop the run.
    const auto stopped = [&] { return removalStop_.stop_requested() || progress.wasCanceled(); };
    for (int position = first; position <= last && !stopped(); ++position) {
        const QString item = ItemText(position);
        progress.setValue(done);
        progress.setLabelText(QStringLiteral("Picture %1 of %2: %3\n%4")
                                  .arg(done + 1)
                                  .arg(total)
                                  .arg(QDir::toNativeSeparators(FileNameOf(item)),
                                       TimeLeft(clock.elapsed(), done, total)));
        QCoreApplication::processEvents();
        const BatchItemOutcome outcome = RunBatchItem(setup, item, steps_->Written());
        ++done;
        const QString line = QDir::toNativeSeparators(item) + QStringLiteral(": ") + outcome.reason;
        if (outcome.status == BatchItemOutcome::Status::Written) {
            ++written;
            ResultSaved(position);  // its list entry shows it saved
        }
        if (outcome.status == BatchItemOutcome::Status::Failed) failed << line;
        if (outcome.status == BatchItemOutcome::Status::Skipped) skipped << line;
        if (outcome.status == BatchItemOutcome::Status::NoImprint)
            noImprint << QDir::toNativeSeparators(item);
    }
    progress.setValue(total);
    progress.hide();
    removing_ = false;
    EnableChoices(true);
    PushButton3->setEnabled(true);
    SetPointer(PointerMode::Default);
    AppDialogs().Message(BatchSummary(written, failed, skipped, total - done, noImprint),
                         Dialogs::Buttons::Ok,
                         failed.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
    if (done == total) {
        nCurrentFile = last;
        ShowListWindow();
        return;
    }
    nCurrentFile = first + done - 1;
    steps_->ShowNextPicture();  // the first picture left untouched
}
