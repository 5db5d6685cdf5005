#include "common/PathHelpers.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QChar PathSeparator() {
    return QDir::separator();
}

bool FileExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

bool FolderExists(const QString& path) {
    if (path.isEmpty()) return false;
    return QFileInfo(path).isDir();
}

QString FileNameOf(const QString& path) {
    const qsizetype i = path.lastIndexOf(PathSeparator());
    return i < 0 ? path : path.mid(i + 1);
}

QString FolderOf(const QString& path) {
    const qsizetype i = path.lastIndexOf(PathSeparator());
    return i < 0 ? QString() : path.left(i + 1);
}

QString ExtensionOf(const QString& path) {
    if (path.isEmpty()) return QString();
    const qsizetype d = path.lastIndexOf(QLatin1Char('.')) + 1;  // 1-based, 0 when none
    return d > 1 ? path.mid(d) : path;
}

namespace {
// One left-to-right pass replacing each non-overlapping pair of separators by one.
QString CollapsePairs(const QString& p, QChar sep) {
    QString out;
    out.reserve(p.size());
    for (qsizetype i = 0; i < p.size(); ++i) {
        out += p[i];
        if (p[i] == sep && i + 1 < p.size() && p[i + 1] == sep) ++i;
    }
    return out;
}
}  // namespace

QString CollapseBackslashes(const QString& path) {
    const QChar sep = PathSeparator();
#ifdef Q_OS_WIN
    if (!path.startsWith(sep)) return CollapsePairs(path, sep);
    qsizetype i = 1;
    while (i < path.size() && path[i] == sep) ++i;
    return QString(2, sep) + CollapsePairs(path.mid(i), sep);
#else
    return CollapsePairs(path, sep);
#endif
}

QString DesktopFolderPath() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QDir::toNativeSeparators(desktop) + PathSeparator();
}
