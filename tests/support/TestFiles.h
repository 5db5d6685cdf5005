#pragma once
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

// Small helpers for tests that build files and folders in a temporary folder.
namespace TestFiles {

inline QString Touch(const QString& path, const QByteArray& content = QByteArray()) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot create %s", qPrintable(path));
    f.write(content);
    return path;
}

inline QString MakeDir(const QString& path) {
    if (!QDir().mkpath(path)) qFatal("cannot create %s", qPrintable(path));
    return path;
}

// A place for many small files: memory-backed where the system has one.
inline QString ManyFilesTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString root = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return root + QStringLiteral("/brisvane-test-XXXXXX");
}

}  // namespace TestFiles
