#include "filelist/Form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <QTreeView>
#include <QUrl>
#include <utility>

#include "common/AppInfo.h"
#include "common/ErrorReport.h"
#include "common/PathHelpers.h"
#include "common/Settings.h"
#include "common/Skin.h"
#include "filelist/AddFolder.h"
#include "filelist/Samples.h"
#include "platform/Dialogs.h"
#include "platform/FileAttributes.h"
#include "platform/Pointers.h"

namespace {
// The layout is kept in twips, 15 to the pixel (whole pixels, as the column's 466 of 7000).
int Px(int twips) {
    return twips / 15;
}

const QString kListHint = QStringLiteral(
    "Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
    "window to "
    "reveal full names.");
const QString kOpenTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
// The dialog's name filters ignore letter case.
const QString kOpenFilter = QStringLiteral(
    "Supported Pictures (*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png)|"
    "*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png|");
constexpr int kOpenMaxLength = 30000;
// "Clear List" asks first when more entries than this would go.
constexpr int kClearWithoutAsking = 20;
// The row added under the buttons for the list note.
constexpr QRect kListNotePlace(8, 316, 520, 20);
constexpr int kListNoteRow = 22;

QString Location(const char* procedure) {
    return ErrorLocation(QStringLiteral("Form1"), QString::fromLatin1(procedure));
}

QString ProgramFile(const QString& name) {
    return ProgramFolder() + PathSeparator() + name;
}

// Bold, in the family the editor uses too.
QFont ProgramBold(qreal points) {
    QFont font(ProgramFontFamily());
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// The list control: a one-column details view that passes its mouse, key and drop events
// to the window's handlers.
class ListView : public QTreeView {
public:
    ListView(Form1* form, QWidget* parent) : QTreeView(parent), form_(form) {}

protected:
    void mousePressEvent(QMouseEvent* e) override {
        form_->ListView1_MouseDown();
        QTreeView::mousePressEvent(e);
        if (e->button() == Qt::LeftButton && indexAt(e->position().toPoint()).isValid())
            form_->ListView1_ItemClick();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const QModelIndex hit = indexAt(e->position().toPoint());
        const bool dragging = form_->DragActive();
        form_->ListView1_MouseMove(hit.isValid() ? hit.row() + 1 : 0,
                                   qRound(e->globalPosition().y()));
        if (!dragging) QTreeView::mouseMoveEvent(e);  // a drag only reorders
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QTreeView::mouseReleaseEvent(e);
        form_->ListView1_MouseUp();
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        QTreeView::mouseDoubleClickEvent(e);
        form_->ListView1_DblClick();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Delete)
            form_->ListView1_KeyDown(e->key());
        else
            QTreeView::keyPressEvent(e);
    }
    void dragEnterEvent(QDragEnterEvent* e) override { Offer(e); }
    void dragMoveEvent(QDragMoveEvent* e) override { Offer(e); }
    void dropEvent(QDropEvent* e) override {
        const QStringList paths = Form1::DroppedPaths(e->mimeData());
        if (paths.isEmpty()) return e->ignore();
        e->acceptProposedAction();
        form_->ListView1_OLEDragDrop(paths);
    }
    bool viewportEvent(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) {  // one hint for the whole list
            // As rich text the tip wraps instead of running off the screen.
            QToolTip::showText(
                static_cast<QHelpEvent*>(e)->globalPos(),
                QStringLiteral("<p>") + toolTip().toHtmlEscaped() + QStringLiteral("</p>"),
                viewport());
            return true;
        }
        return QTreeView::viewportEvent(e);
    }

private:
    static void Offer(QDropEvent* e) {
        if (Form1::DroppedPaths(e->mimeData()).isEmpty())
            e->ignore();
        else
            e->acceptProposedAction();
    }
    Form1* form_;
};
}  // namespace

Form1::Form1(EditorFactory makeEditor, QWidget* parent)
    : QWidget(parent), makeEditor_(std::move(makeEditor)), pointer_(new WindowPointer(*this)) {
    BuildControls();
    Form_Load();
}

Form1::~Form1() = default;

QPushButton* Form1::MakeButton(const char* name, const QString& caption, int left, int top,
                               int width) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(Px(left), Px(top), Px(width), Px(405));
    button->setFont(ProgramBold(11.25));
    button->setAutoDefault(false);
    pointer_->Follow(button, PointerMode::Custom);
    return button;
}

void Form1::BuildControls() {
    setObjectName(QStringLiteral("Form1"));
    setFont(ProgramBold(9));
    setFixedSize(Px(8040), Px(4800) + kListNoteRow);
    pointer_->Follow(this, PointerMode::Default);

    connect(MakeButton("PushButton5", QStringLiteral("Help"), 120, 120, 7800),
            &QPushButton::clicked, this, &Form1::PushButton5_Click);

    listView_ = new ListView(this, this);
    listView_->setObjectName(QStringLiteral("ListView1"));
    listView_->setGeometry(Px(120), Px(630), Px(7800), Px(2535));
    listView_->setModel(&list_);
    listView_->setRootIsDecorated(false);
    listView_->setItemsExpandable(false);
    listView_->setUniformRowHeights(true);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setDragEnabled(false);
    listView_->setAcceptDrops(true);
    listView_->viewport()->setAcceptDrops(true);
    listView_->setDropIndicatorShown(false);
    listView_->setMouseTracking(true);
    listView_->setToolTip(kListHint);
    listView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    listView_->header()->setStretchLastSection(false);
    listView_->header()->setSectionsMovable(false);
    listView_->setTextElideMode(Qt::ElideMiddle);  // the file's name stays in sight

    connect(MakeButton("PushButton1", QStringLiteral("Add Image File(s)"), 120, 3250, 3840),
            &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(MakeButton("PushButton4", QStringLiteral("Add All Image File(s) In Folder"), 4080, 3250,
                       3840),
            &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(MakeButton("PushButton8", QStringLiteral("Clear List"), 120, 3760, 3840),
            &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(
        MakeButton("PushButton9", QStringLiteral("Load Sample/Example Image"), 4080, 3760, 3840),
        &QPushButton::clicked, this, &Form1::PushButton9_Click);
    connect(MakeButton("PushButton2", QStringLiteral("Next >"), 120, 4270, 7800),
            &QPushButton::clicked, this, &Form1::PushButton2_Click);
    BuildListNote();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
}

void Form1::BuildListNote() {
    listNote_ = new QLabel(this);
    listNote_->setObjectName(QStringLiteral("ListNote"));
    listNote_->setGeometry(kListNotePlace);
    listNote_->setTextFormat(Qt::RichText);
    listNote_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    listNote_->hide();
    connect(listNote_, &QLabel::linkActivated, this, [this] { RestoreLastList(); });
    // The offer stands only while the list is empty; a saved result is kept at once.
    connect(&list_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!lastList_.entries.isEmpty()) {
            lastList_ = {};
            listNote_->hide();
        }
    });
    connect(&list_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.contains(Qt::DecorationRole)) KeepList();
            });
}

void Form1::OfferLastList() {
    lastList_ = ReadKeptList(KeptListFile());
    if (!lastList_.HasUnsaved()) {
        lastList_ = {};
        return;
    }
    listNote_->setText(QStringLiteral("<a href=\"restore\">%1</a>")
                           .arg(RestoreOfferText(lastList_).toHtmlEscaped()));
    listNote_->show();
}

void Form1::RestoreLastList() {
    const KeptList last = std::exchange(lastList_, {});
    const RestoredList restored = DropGoneEntries(last);
    QStringList paths;
    for (const KeptEntry& e : restored.present) paths << e.path;
    list_.Append(paths);
    for (const KeptEntry& e : restored.present)
        if (e.saved) list_.MarkSaved(e.path);
    listNote_->setText(RestoredNoteText(restored).toHtmlEscaped());
    listNote_->show();
}

void Form1::KeepList() const {
    if (list_.Count() == 0) return;
    QList<KeptEntry> entries;
    for (int i = 1; i <= list_.Count(); ++i) entries << KeptEntry{list_.Item(i), list_.IsSaved(i)};
    WriteKeptList(KeptListFile(), entries);  // a list that cannot be kept costs only the offer
}

void Form1::Form_Load() {
    ErrorSteps s(Location("Form_Load"));
    s.Do(100, [&] { pointer_->LoadHand(); });
    s.Do(102, [&] { ApplySkin(this); });
    s.Do(104, [&] { OpenSiteOccasionally(); });
    if (s.Test(106, [&] { return Settings::SampleSnapshot().isEmpty(); }))
        s.Do(106, [&] { RegisterSamples(); });
    s.Do(108, [&] {
        setWindowTitle(AppInfo::ProductName);
        setWindowIcon(ProgramIcon());
    });
    s.Do(110, [&] { SetAppTitle(); });
    s.Do(112, [&] { listView_->setColumnWidth(0, Px(7000)); });
    // The drag pointer is read once here rather than at every click.
    dragPointer_ = LoadPointer(ProgramFile(QStringLiteral("drag.ico")));
    OfferLastList();
}

// ---- pointer -------------------------------------------------------------------------------

void Form1::Button_MouseMove() {
    pointer_->MovedOver(PointerMode::Custom);
}

void Form1::Form_MouseMove() {
    pointer_->MovedOver(PointerMode::Default);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the list window ends the program, whatever else is open or running, once an
    // unsaved removal result has been saved or given up.
    if (editor_ && !editor_->MayClose()) {
        event->ignore();
        return;
    }
    KeepList();
    AbandonScans();
    event->accept();
    QCoreApplication::quit();
}

// ---- the list ------------------------------------------------------------------------------

int Form1::SelectedPosition() const {
    const QModelIndexList rows = listView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void Form1::SelectPosition(int position) {
    // Selecting must not scroll: during a drag only the screen-row rule scrolls the list.
    const bool autoScroll = listView_->hasAutoScroll();
    listView_->setAutoScroll(false);
    listView_->selectionModel()->setCurrentIndex(
        list_.index(position - 1), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    listView_->setAutoScroll(autoScroll);
}

void Form1::RemoveSelected() {
    if (IsBusy() || list_.Count() == 0) return;
    const int position = SelectedPosition();
    if (position > 0) list_.RemoveAt(position);  // nothing selected: nothing to remove
}

void Form1::ListView1_DblClick() {
    RemoveSelected();
}

void Form1::ListView1_KeyDown(int key) {
    if (key == Qt::Key_Delete) RemoveSelected();
}

void Form1::ListView1_MouseDown() {
    dragActive_ = true;
    dragItem_ = 0;  // a press outside the entries drags nothing
}

void Form1::ListView1_ItemClick() {
    if (dragPointer_) listView_->viewport()->setCursor(*dragPointer_);
    dragItem_ = SelectedPosition();
}

void Form1::ListView1_MouseMove(int hitPosition, int screenY) {
    Form_MouseMove();
    if (!dragActive_) return;
    hitItem_ = hitPosition;
    const int count = list_.Count();
    if (hitItem_ >= 1 && hitItem_ <= count && dragItem_ >= 1 && dragItem_ <= count &&
        list_.Item(hitItem_) != list_.Item(dragItem_)) {
        list_.SwapTexts(dragItem_, hitItem_);
        SelectPosition(hitItem_);
        dragItem_ = hitItem_;
        if (screenY < 305 && hitItem_ > 1)
            listView_->scrollTo(list_.index(hitItem_ - 2));
        else if (screenY > 364 && hitItem_ < count)
            listView_->scrollTo(list_.index(hitItem_));
    }
    hitItem_ = 0;
}

void Form1::ListView1_MouseUp() {
    dragActive_ = false;
    listView_->viewport()->unsetCursor();
}

// ---- dropping ------------------------------------------------------------------------------

QStringList Form1::DroppedPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << QDir::toNativeSeparators(url.toLocalFile());
    return paths;
}

void Form1::ListView1_OLEDragDrop(const QStringList& paths) {
    for (const QString& path : paths) {
        if (ScansAbandoned()) return;
        const auto attributes = FileAttributes(path);
        if (attributes && (*attributes & FileAttr::Directory))
            AddDroppedFolder(path);
        else
            list_.Append(path);
    }
}

void Form1::AddDroppedFolder(const QString& folder) {
    QString f = folder;
    while (f.size() > 1 && f.endsWith(PathSeparator())) f.chop(1);
    QStringList folders{f + PathSeparator()};
    GetSubDirectories2016(folders, true);
    AddFolderFiles(folders, QStringLiteral("*.*"), false);
}

// Adds the files of each folder (each ending in a separator). `strict` is the folder button's
// filter: existing files only, not hidden-and-writable, paths normalised.
void Form1::AddFolderFiles(const QStringList& folders, const QString& pattern, bool strict) {
    for (QString d : folders) {
        if (ScansAbandoned()) return;
        d.chop(1);
        QStringList paths;
        for (const QString& name : ListFiles(d, pattern)) {
            if (name.startsWith(QLatin1Char('~'))) continue;
            const QString path = d + PathSeparator() + name;
            if (!strict) {
                paths << path;
            } else if (IsExistingFile(path) &&
                       FileAttributes(path) != (FileAttr::Hidden | FileAttr::Archive)) {
                paths << CollapseBackslashes(path);
            }
        }
        list_.Append(paths);
        QCoreApplication::processEvents();
    }
}

// ---- buttons -------------------------------------------------------------------------------

void Form1::PushButton1_Click() {
    ErrorSteps s(Location("PushButton1_Click"));
    Dialogs::OpenResult result;
    s.Do(100, [&] { result = AppDialogs().OpenFiles(kOpenTitle, kOpenFilter, kOpenMaxLength); });
    if (result.overflow) {
        AppDialogs().Message(
            QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the "
                           "\"Add All\" button."));
        return;
    }
    if (result.text.isEmpty()) return;
    const auto badName = [](const QString& path) {
        AppDialogs().Message(
            path +
            QStringLiteral("\r\rwas not added because it has bad characters in the filename."));
    };
    QStringList parts = result.text.split(QChar(0));
    while (parts.size() > 1 && parts.last().isEmpty()) parts.removeLast();
    if (parts.size() == 1) {
        s.Do(102, [&] {
            if (IsBadFileName(parts[0]))
                badName(parts[0]);
            else
                list_.Append(parts[0]);
        });
        return;
    }
    for (qsizetype i = 1; i < parts.size(); ++i) {
        s.Do(104, [&] {
            const QString path = CollapseBackslashes(parts[0] + PathSeparator() + parts[i]);
            if (IsBadFileName(path))
                badName(path);
            else
                list_.Append(path);
        });
    }
}

void Form1::PushButton2_Click() {
    ErrorSteps s(Location("PushButton2_Click"));
    if (s.Test(100, [&] { return list_.Count() >= 1; })) {
        s.Do(102, [&] {
            KeepList();
            if (!editor_) editor_ = makeEditor_(list_, this);
            editor_->ShowFromList();
        });
        s.Do(104, [&] { hide(); });
    } else {
        s.Do(106, [&] { AppDialogs().Message(QStringLiteral("No files added.")); });
    }
}

void Form1::PushButton4_Click() {
    ErrorSteps s(Location("PushButton4_Click"));
    QString ext;
    s.Do(100, [&] {
        ext =
            AppDialogs()
                .Input(
                    QStringLiteral(
                        "Enter file extension to load:\r\r(* for all files, txt for all txt files, "
                        "doc for all doc files, etc.)"),
                    Settings::FolderScanExtension())
                .value_or(QString());
    });
    if (ext.isEmpty()) return;
    s.Do(102, [&] { Settings::SetFolderScanExtension(ext); });
    s.Do(104, [&] { lastFolder_ = Settings::FolderScanLastFolder(); });
    QString folder;
    s.Do(106, [&] {
        folder = BrowseForFolder(this, QStringLiteral("Please select folder:"), lastFolder_);
    });
    if (folder.isEmpty()) return;
    s.Do(108, [&] {
        lastFolder_ = folder;
        Settings::SetFolderScanLastFolder(folder);
    });
    ++scansRunning_;
    s.Do(110, [&] { SetMousePointer(PointerMode::Busy); });
    QStringList folders{folder + PathSeparator()};
    s.Do(112, [&] { GetSubDirectories2016(folders, true); });
    s.Do(114, [&] { AddFolderFiles(folders, QStringLiteral("*.") + ext, true); });
    // Another scan started meanwhile keeps the window busy until it ends too.
    if (--scansRunning_ == 0) s.Do(116, [&] { SetMousePointer(PointerMode::Default); });
}

void Form1::PushButton5_Click() {
    ErrorSteps s(Location("PushButton5_Click"));
    s.Do(100, [&] {
        AppDialogs().Message(QStringLiteral("Questions? Please contact Team ") +
                             AppInfo::MakerName + QStringLiteral(" at ") + AppInfo::ContactPage);
    });
}

void Form1::PushButton8_Click() {
    ErrorSteps s(Location("PushButton8_Click"));
    if (!s.Test(100, [&] { return !IsBusy(); })) return;
    if (list_.Count() > kClearWithoutAsking &&
        AppDialogs().Message(
            QStringLiteral("Clear all %1 pictures from the list?").arg(list_.Count()),
            Dialogs::Buttons::YesNoDefaultNo, Dialogs::Icon::Question) != Dialogs::Answer::Yes)
        return;
    s.Do(102, [&] { list_.Clear(); });
}

void Form1::PushButton9_Click() {
    ErrorSteps s(Location("PushButton9_Click"));
    s.Do(100, [&] { LoadSamples(list_); });
}
