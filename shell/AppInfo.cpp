#include "shell/AppInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTime>

#include "platform/Dialogs.h"

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

int SiteVisitDraw(quint32 seed) {
    QRandomGenerator random(seed);
    return static_cast<int>(random.generateDouble() * 100) + 1;
}

void OpenSiteOccasionally() {
    const quint32 secondsSinceMidnight = static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay() / 1000);
    if (SiteVisitDraw(secondsSinceMidnight) == SiteVisitNumber) AppDialogs().OpenUrl(AppInfo::WebSite);
}

QString ProgramFolder() {
    if (!g_programFolder.isEmpty()) return g_programFolder;
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void SetProgramFolder(const QString& folder) { g_programFolder = folder; }
