#pragma once
#include <QCursor>
#include <QString>
#include <optional>

// A pointer image from a Windows cursor (.cur) or icon (.ico) file, with the hot spot the
// cursor file names; nullopt when the file cannot be read.
std::optional<QCursor> LoadCursorFile(const QString& path);
