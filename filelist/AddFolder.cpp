#include "filelist/AddFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "common/ErrorReport.h"
#include "common/PathHelpers.h"
#include "platform/Dialogs.h"
#include "platform/FileAttributes.h"

namespace {
bool g_abandoned = false;

void LetEventsRun() {
    QCoreApplication::processEvents();
}

// Folders that look like the system's own (hidden + system, possibly a link) are left alone,
// unless they are the root of a drive.
bool PassesScanTest(const QString& folder) {
    if (IsRootFolder(folder)) return true;
    const auto a = FileAttributes(folder);
    if (!a) return false;
    using namespace FileAttr;
    return *a != (Directory | Hidden | System) &&
           *a != (Directory | Hidden | System | ReparsePoint);
}

QString CanonicalOf(const QString& folder) {
    return QFileInfo(folder).canonicalFilePath();
}

// Subfolders of `folder` to scan, in name order. `denied` is set when the folder itself
// cannot be listed (no permission, or gone).
QStringList SubfoldersOf(const QString& folder, QSet<QString>& seen, bool& denied) {
    const QFileInfo info(folder);
    denied = !info.exists() || !info.isReadable() || !info.isExecutable();
    if (denied) return {};
    QStringList found;
    const QFileInfoList subs =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                   QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& sub : subs) {
        LetEventsRun();
        const QString name = sub.fileName();
        if (HasBadCharacters(name)) continue;
        const QString canonical = sub.canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical)) continue;  // dangling, or a loop
        seen.insert(canonical);
        found << folder + name + PathSeparator();
    }
    return found;
}
}  // namespace

QString BrowseForFolder(QWidget* owner, const QString& prompt, const QString& startFolder) {
    QString folder = AppDialogs().BrowseForFolder(owner, prompt, startFolder);
    const qsizetype nul = folder.indexOf(QChar(0));
    if (nul >= 0) folder.truncate(nul);
    return QDir::toNativeSeparators(folder);
}

void GetSubDirectories2016(QStringList& list, bool recursive) {
    ErrorSteps steps(ErrorLocation(QStringLiteral("AddFolder"),
                                   QStringLiteral("GetSubDirectories2016"),
                                   QStringLiteral("Quorrin")));
    QSet<QString> seen;
    steps.Do(100, [&] {
        for (const QString& v : list) {
            const QString canonical = CanonicalOf(v);
            if (!canonical.isEmpty()) seen.insert(canonical);
        }
    });

    // Level by level; each level's folders are grouped by parent, in the parents' order.
    QStringList* level = &list;
    QList<QStringList> deeper;
    while (!ScansAbandoned()) {
        QStringList next;
        QStringList denied;
        for (const QString& v : *level) {
            if (ScansAbandoned()) return;
            if (!FolderExists(v)) continue;
            LetEventsRun();
            if (!PassesScanTest(v)) continue;
            bool isDenied = false;
            next << SubfoldersOf(v, seen, isDenied);
            if (isDenied) denied << v;
        }
        for (const QString& v : denied) level->removeOne(v);
        if (!recursive || next.isEmpty()) {
            if (!next.isEmpty()) deeper << next;
            break;
        }
        deeper << next;
        level = &deeper.last();
    }

    steps.Do(102, [&] {
        for (const QStringList& folders : deeper) {
            for (const QString& w : folders) {
                if (ScansAbandoned()) return;
                if (!FolderExists(w)) continue;
                LetEventsRun();
                if (PassesScanTest(w)) list << w;
            }
        }
    });
}

QStringList ListFiles(const QString& folder, const QString& pattern) {
    QString f = folder;
    if (!f.endsWith(PathSeparator())) f += PathSeparator();
    // As in the classic wildcard search, "*.*" also matches names without a dot.
    const QString p = pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
    const QStringList names = QDir(f).entryList({p}, QDir::Files | QDir::Hidden | QDir::System,
                                                QDir::Name | QDir::IgnoreCase);
    QStringList kept;
    kept.reserve(names.size());
    for (const QString& name : names)
        if (IsExistingFile(f + name)) kept << name;
    return kept;
}

bool IsExistingFile(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

bool HasBadCharacters(const QString& name) {
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 32 || (u >= 127 && u <= 159) || u == u'?' || u == QChar::ReplacementCharacter)
            return true;
    }
    return false;
}

bool IsBadFileName(const QString& path) {
    return !FileAttributes(path).has_value();
}

void AbandonScans() {
    g_abandoned = true;
}

bool ScansAbandoned() {
    return g_abandoned;
}
