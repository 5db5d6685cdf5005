#include "shell/AppInfo.h"

#include <QCoreApplication>

namespace {
QString g_title;
QString g_programFolder;
}  // namespace

QString CutTitle(const QString& name) {
    QString s = name;
    do {
        const qsizetype space = s.lastIndexOf(QLatin1Char(' '));
        if (space < 0) break;
        s = s.left(space);
    } while (s.size() > 40);
    return s;
}

void SetAppTitle() {
    g_title = CutTitle(AppInfo::ProductName);
    QCoreApplication::setApplicationName(g_title);
}

QString AppTitle() { return g_title.isEmpty() ? CutTitle(AppInfo::ProductName) : g_title; }

QString ProgramFolder() {
    if (!g_programFolder.isEmpty()) return g_programFolder;
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString& folder) { g_programFolder = folder; }
