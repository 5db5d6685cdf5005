#pragma once
#include <QString>

// The editor's own texts: its title and the plain messages it shows.
namespace EditorTexts {
// "IMG_0412.jpg (3 of 120) — Brisvane"; the product name alone when no entry is on show.
QString Title(const QString& path, int position, int count);
// "IMG_0412.jpg could not be opened: the file no longer exists."
QString CouldNotOpen(const QString& path, const QString& reason);
QString NothingMarked();
QString SaveBeforeClosing(const QString& path);
}  // namespace EditorTexts
