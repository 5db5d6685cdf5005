#pragma once
#include <QFile>
#include <QSaveFile>
#include <QString>

// A file written beside its target, without a name (or under a hidden temporary one where the
// file system cannot do that), and put in the target's place by Commit() only when complete: a
// failure, even a killed writer, leaves no half-written file and an existing target as it was. Like
// QSaveFile, but the target is named by its bytes (see FileNames.h). A new file gets the
// permissions the user's mask allows, a replaced one keeps its own; a target that is a link is
// replaced where the link points.
class SaveFile {
public:
    explicit SaveFile(QString target);
    ~SaveFile();  // drops the temporary file unless committed
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Creates the temporary file; false with Error() set.
    bool Open();
    QIODevice& Device();
    // Writes everything to the disk and renames it over the target; false with Error() set.
    bool Commit();
    void Cancel();
    // Why the last step failed, for the user ("No such file or directory").
    const QString& Error() const { return error_; }

private:
    QString target_;
    QString error_;
#ifdef Q_OS_WIN
    QSaveFile file_;
#else
    bool Fail(int error);
    QFile file_;
    QByteArray targetBytes_;  // the file replaced: the target, or where it links to
    QByteArray partName_;     // the temporary file's name; empty while it has none
#endif
};
