#pragma once
#include <QCursor>
#include <QString>
#include <optional>

// A mouse pointer from a .cur file (its own hotspot) or an .ico file (hotspot in the middle);
// nullopt when the file is missing or unreadable.
std::optional<QCursor> LoadPointer(const QString& path);
