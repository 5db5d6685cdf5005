#include <QApplication>
#include <QCommandLineParser>

#include "filelist/Form1.h"
#include "shell/AppInfo.h"
#include "shell/StartFiles.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(BRISVANE_VERSION));
    QApplication::setDesktopFileName(AppInfo::DesktopId);  // ties the windows to the menu entry and its icon

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Removes date stamps and other small marks from photos."));
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(QStringLiteral("pictures"), QStringLiteral("Pictures or folders to put in the list."),
                                  QStringLiteral("[pictures...]"));
    options.process(app);

    Form1 form;  // runs its load step
    form.show();
    AddStartFiles(form, options.positionalArguments());
    return app.exec();
}
