#include "app/StartFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>

#include "filelist/Form1.h"

namespace {
QString LocalPath(const QString& argument) {
    if (argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        return QUrl(argument).toLocalFile();
    return argument;
}
}  // namespace

StartPaths SortStartPaths(const QStringList& arguments) {
    StartPaths sorted;
    for (const QString& argument : arguments) {
        const QString path = LocalPath(argument);
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists()) {
            sorted.missing << argument;
            continue;
        }
        sorted.found << QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
    }
    return sorted;
}

QStringList AddStartFiles(Form1& form, const QStringList& arguments) {
    const StartPaths sorted = SortStartPaths(arguments);
    for (const QString& name : sorted.missing)
        std::fprintf(stderr, "brisvane: skipped, no such file or folder: %s\n", qPrintable(name));
    if (!sorted.found.isEmpty()) form.ListView1_OLEDragDrop(sorted.found);
    return sorted.missing;
}
