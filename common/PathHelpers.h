#pragma once
#include <QString>

// Path texts and file probes, on the platform's own separator. None of these reports an
// error: every failure becomes a plain result (false or the empty text).

// The platform's path separator: '/' on Linux, '\' on Windows.
QChar PathSeparator();

// True when the file system can report the path's modification time (a file or a folder).
bool FileExists(const QString& path);
// True when the path is a folder.
bool FolderExists(const QString& path);
// The characters after the last separator; the whole text when it holds none.
QString FileNameOf(const QString& path);
// The text up to and including its last separator; empty when it holds none.
QString FolderOf(const QString& path);
// Empty for an empty path; the characters after the last "." when it stands after the first
// character; otherwise the whole text.
QString ExtensionOf(const QString& path);
// Doubled separators made single, one non-overlapping pair at a time (three in a row leave
// two). On Windows a leading pair (a network share) is kept; Linux has no such paths, so there
// the rule applies along the whole path.
QString CollapseBackslashes(const QString& path);
// The user's desktop folder with one separator appended.
QString DesktopFolderPath();
