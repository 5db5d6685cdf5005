#pragma once
#include <QDir>
#include <QFile>
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

}  // namespace TestFiles
