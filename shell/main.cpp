#include <QApplication>

#include "filelist/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Form1 form;  // runs its load step
    form.show();
    return app.exec();
}
