#include "editor/Form2.h"

#include "filelist/FileList.h"

Form2::Form2(FileList& list, QWidget* listWindow) : list_(list), listWindow_(listWindow) {
    setWindowTitle(QStringLiteral("Brisvane"));
    resize(1063, 396);
}

void Form2::ShowFromList() {
    nCurrentFile = 1;
    show();
}
