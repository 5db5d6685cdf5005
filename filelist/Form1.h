#pragma once
#include <QCursor>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

#include "common/WindowPointer.h"
#include "filelist/FileList.h"
#include "filelist/KeptList.h"
#include "filelist/ListEditor.h"

class QLabel;
class QMimeData;
class QPushButton;
class QTreeView;

// The file-list window: the program's first window. It holds the list of pictures, fills it
// (open dialog, dropped files and folders, a folder tree, the samples) and hands it to the
// editor with "Next >" (made once, by the factory it is given). Closing it ends the program.
class Form1 : public QWidget {
    Q_OBJECT
public:
    using PointerMode = WindowPointer::Mode;

    // Builds the window and runs its load step; "Next >" makes the editor with `makeEditor`.
    explicit Form1(EditorFactory makeEditor, QWidget* parent = nullptr);
    ~Form1() override;

    FileList& List() { return list_; }
    // The editor window, created by the first "Next >"; nullptr before.
    ListEditor* Editor() const { return editor_.get(); }

    // The window's pointer; busy doubles as the busy flag during a folder scan.
    PointerMode MousePointer() const { return pointer_->Current(); }
    void SetMousePointer(PointerMode mode) { pointer_->Set(mode); }
    bool IsBusy() const { return pointer_->IsBusy(); }
    bool HasHandPointer() const { return pointer_->HasHand(); }

    // Buttons.
    void PushButton1_Click();  // "Add Image File(s)"
    void PushButton2_Click();  // "Next >"
    void PushButton4_Click();  // "Add All Image File(s) In Folder"
    void PushButton5_Click();  // "Help"
    void PushButton8_Click();  // "Clear List"
    void PushButton9_Click();  // "Load Sample/Example Image"

    // The list's events. Positions are 1-based, 0 for none; screenY is in screen pixels.
    void ListView1_DblClick();
    void ListView1_KeyDown(int key);
    void ListView1_MouseDown();
    void ListView1_ItemClick();
    void ListView1_MouseMove(int hitPosition, int screenY);
    void ListView1_MouseUp();
    // Dropping: the local paths offered by dragged data; empty refuses the drop.
    static QStringList DroppedPaths(const QMimeData* data);
    void ListView1_OLEDragDrop(const QStringList& paths);

    // The pointer rules over the buttons and over the window's background.
    void Button_MouseMove();
    void Form_MouseMove();

    // The selected list position (1-based), 0 when none.
    int SelectedPosition() const;
    int DragItem() const { return dragItem_; }
    bool DragActive() const { return dragActive_; }
    QTreeView* ListView1() const { return listView_; }

    // The line under the buttons: the offer to restore the last list, then what restoring did.
    QLabel* ListNote() const { return listNote_; }
    // Puts the last run's list back, without the entries whose files are gone.
    void RestoreLastList();
    // Writes the list for the next run (an empty list leaves the last one kept).
    void KeepList() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildListNote();
    void OfferLastList();
    void Form_Load();
    void RemoveSelected();
    void SelectPosition(int position);
    void AddDroppedFolder(const QString& folder);
    void AddFolderFiles(const QStringList& folders, const QString& pattern, bool strict);
    QPushButton* MakeButton(const char* name, const QString& caption, int left, int top, int width);

    FileList list_;
    EditorFactory makeEditor_;
    std::unique_ptr<ListEditor> editor_;
    QTreeView* listView_ = nullptr;
    QLabel* listNote_ = nullptr;
    KeptList lastList_;
    WindowPointer* pointer_;
    int scansRunning_ = 0;
    std::optional<QCursor> dragPointer_;
    QString lastFolder_;
    bool dragActive_ = false;
    int dragItem_ = 0;
    int hitItem_ = 0;
};
