#pragma once
#include <QIODevice>
#include <QString>

#include "picture/Palette.h"

// Writes an indexed picture as a GIF (one image, global colour table) to `device` with giflib.
// On failure returns false and sets `error`.
bool WriteGif(const IndexedPicture& picture, QIODevice& device, QString& error);
