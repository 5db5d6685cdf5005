#pragma once
#include <QWidget>

class FileList;

// The editor window. Shown from the file list with "Next >", which loads list entry 1.
class Form2 : public QWidget {
    Q_OBJECT
public:
    // `list` is Form1's list; `listWindow` is shown again when the editor goes back.
    Form2(FileList& list, QWidget* listWindow);

    // Shows the editor from the file list ("Next >"): nCurrentFile := 1, loads entry 1.
    void ShowFromList();

    int nCurrentFile = 0;

private:
    FileList& list_;
    QWidget* listWindow_;
};
