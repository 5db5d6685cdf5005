#include "common/AppInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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

QString AppTitle() {
    return g_title.isEmpty() ? CutTitle(AppInfo::ProductName) : g_title;
}

int SiteVisitDraw(quint32 seed) {
    QRandomGenerator random(seed);
    return static_cast<int>(random.generateDouble() * 100) + 1;
}

void OpenSiteOccasionally() {
    OpenSiteOccasionally(static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
}

bool OpenSiteOccasionally(quint32 secondsSinceMidnight) {
    if (SiteVisitDraw(secondsSinceMidnight) != SiteVisitNumber) return false;
    AppDialogs().OpenUrl(AppInfo::WebSite);
    return true;
}

QString ProgramFolder() {
    if (!g_programFolder.isEmpty()) return g_programFolder;
    return ProgramFolderFor(QCoreApplication::applicationDirPath());
}

QString ProgramFolderFor(const QString& executableFolder) {
    const QDir beside(executableFolder);
    const auto holds = [&beside](const char* name) {
        return beside.exists(QString::fromLatin1(name));
    };
    if (holds("HAND-M.CUR") || holds("drag.ico") || holds("x/o.cjs") || holds("Samples"))
        return QDir::toNativeSeparators(beside.absolutePath());
    const QString shared = beside.absoluteFilePath(QStringLiteral("../share/brisvane"));
    if (QFileInfo(shared).isDir()) return QDir::toNativeSeparators(QDir::cleanPath(shared));
    return QDir::toNativeSeparators(beside.absolutePath());
}

QString HelperProgramPath(const QString& baseName) {
    return HelperProgramPathIn(QCoreApplication::applicationDirPath(), ProgramFolder(), baseName);
}

QString HelperProgramPathIn(const QString& executableFolder, const QString& programFolder,
                            const QString& baseName) {
#ifdef Q_OS_WIN
    const QString name = baseName + QStringLiteral(".exe");
#else
    const QString name = baseName;
#endif
    const QString beside = QDir(executableFolder).absoluteFilePath(name);
    if (QFileInfo(beside).isFile()) return QDir::toNativeSeparators(beside);
    const QString inProgramFolder = QDir(programFolder).absoluteFilePath(name);
    if (!programFolder.isEmpty() && QFileInfo(inProgramFolder).isFile())
        return QDir::toNativeSeparators(inProgramFolder);
    return QDir::toNativeSeparators(beside);
}

void SetProgramFolder(const QString& folder) {
    g_programFolder = folder;
}
