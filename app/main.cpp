#include <QApplication>
#include <QCommandLineParser>
#include <string_view>

#include "app/StartFiles.h"
#include "common/AppInfo.h"
#include "common/Skin.h"
#include "editor/Form2.h"
#include "filelist/Form1.h"

namespace {
void DescribeOptions(QCommandLineParser& options) {
    options.setApplicationDescription(
        QStringLiteral("Removes date stamps and other small marks from photos."));
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(QStringLiteral("pictures"),
                                  QStringLiteral("Pictures or folders to put in the list."),
                                  QStringLiteral("[pictures...]"));
}

// --help and --version answer on the terminal, so they must work without a display.
bool AsksForHelpOrVersion(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a(argv[i]);
        if (a == "--") break;
        if (a == "-h" || a == "-?" || a == "--help" || a == "-v" || a == "--version") return true;
    }
    return false;
}
}  // namespace

int main(int argc, char* argv[]) {
    QCommandLineParser options;
    DescribeOptions(options);
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(BRISVANE_VERSION));
        options.process(core);  // prints and ends the program
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(BRISVANE_VERSION));
    QApplication::setDesktopFileName(
        AppInfo::DesktopId);  // ties the windows to the menu entry and its icon
    options.process(app);     // its messages name the program as started
    SetAppTitle();            // message boxes without a caption of their own show the title
    QFont font = QApplication::font();
    font.setFamily(ProgramFontFamily());  // one family in every window and message
    QApplication::setFont(font);

    Form1 form(MakeEditor);  // runs its load step
    form.show();
    AddStartFiles(form, options.positionalArguments());
    return app.exec();
}
