#pragma once
#include <functional>
#include <memory>

class FileList;
class QWidget;

// The window "Next >" hands the list to. The list window does not build it itself: start-up
// gives Form1 a factory, so the file list sits below the editor that works on it.
class ListEditor {
public:
    virtual ~ListEditor() = default;
    // Shows the editor on the list's first entry.
    virtual void ShowFromList() = 0;
    // Asked before the program ends: false keeps it running (the user chose to stay).
    virtual bool MayClose() { return true; }
};

// Makes the editor for `list`; `listWindow` is shown again when the editor goes back.
using EditorFactory =
    std::function<std::unique_ptr<ListEditor>(FileList& list, QWidget* listWindow)>;
