#pragma once
#include <QStringList>

class Form1;

// Pictures named when the program starts: on its command line ("brisvane a.jpg b.jpg") or by a
// file manager through the menu entry (paths, or file:// addresses).

struct StartPaths {
    QStringList found;    // absolute paths of the files and folders that exist, in the order given
    QStringList missing;  // the arguments that name nothing, as given
};

// Sorts the arguments after the program's name (options already taken out); relative paths are
// taken from the current folder.
StartPaths SortStartPaths(const QStringList& arguments);

// Adds the existing files to the window's list as if they were dropped on it (a folder adds the
// files in it); names that do not exist are skipped, each with a line on standard error.
// Returns the names skipped.
QStringList AddStartFiles(Form1& form, const QStringList& arguments);
