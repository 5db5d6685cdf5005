#pragma once
#include <QString>
#include <QStringList>

class QWidget;

// Finding files for the list: the folder chooser, the breadth-first folder scan and the
// file probes. None of these reports to the user except the scan's unexpected failures.

// Lets the user choose a folder, starting at `startFolder`; empty when cancelled.
QString BrowseForFolder(QWidget* owner, const QString& prompt, const QString& startFolder);

// Appends to `list` (folders ending in a separator) every folder below them, breadth first:
// the given folders, then all their subfolders grouped by parent, then the next level.
// Folders that cannot be listed are dropped; links to folders already in the scan (or to an
// ancestor) are not followed; pending window events run between folders.
void GetSubDirectories2016(QStringList& list, bool recursive);

// Names of the existing files in `folder` that match `pattern` (case-insensitive wildcard;
// "*.*" is every file), hidden ones included, sorted by name.
QStringList ListFiles(const QString& folder, const QString& pattern);

// True when `path` is an existing regular file (not a folder, pipe or device).
bool IsExistingFile(const QString& path);

// True when `name` holds a control character (codes below 32, 127 to 159), a "?", or a
// character the system could not decode.
bool HasBadCharacters(const QString& name);

// True when the file system cannot report the attributes of `path`.
bool IsBadFileName(const QString& path);

// Ends every running scan at its next folder; set when the program is closing.
void AbandonScans();
bool ScansAbandoned();
