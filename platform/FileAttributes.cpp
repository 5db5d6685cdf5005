#include "platform/FileAttributes.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
// "/a/b/" -> "/a/b", keeping a root ("/", "C:\") whole.
QString WithoutTrailingSeparators(const QString& path) {
    QString p = path;
    while (p.size() > 1 && (p.endsWith(QLatin1Char('/')) || p.endsWith(QLatin1Char('\\'))) &&
           !(p.size() == 3 && p[1] == QLatin1Char(':')))
        p.chop(1);
    return p;
}
}  // namespace

#ifdef Q_OS_WIN
std::optional<unsigned> FileAttributes(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    const DWORD a =
        GetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()));
    if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return static_cast<unsigned>(a);
}
#else
std::optional<unsigned> FileAttributes(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    const QString p = WithoutTrailingSeparators(path);
    const QFileInfo info(p);
    if (!info.exists()) return std::nullopt;  // also a dangling link
    unsigned a = 0;
    if (info.fileName().startsWith(QLatin1Char('.')) && info.fileName() != QLatin1String(".") &&
        info.fileName() != QLatin1String(".."))
        a |= FileAttr::Hidden;
    if (!(info.permissions() & QFileDevice::WriteOwner)) a |= FileAttr::ReadOnly;
    if (info.isDir())
        a |= FileAttr::Directory;
    else if (info.isFile())
        a |= FileAttr::Archive;
    if (info.isSymLink()) a |= FileAttr::ReparsePoint;
    return a;
}
#endif

bool IsRootFolder(const QString& path) {
    if (path.isEmpty()) return false;
    return QFileInfo(WithoutTrailingSeparators(path)).isRoot();
}
