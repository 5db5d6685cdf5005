#pragma once
#include <QIODevice>
#include <QImage>
#include <QString>

// Writes a picture as a baseline JPEG with libjpeg: the given quality, full-resolution colour
// (4:4:4, no chroma subsampling). On failure returns false and
// sets `error`.
bool WriteJpeg(const QImage& picture, int quality, QIODevice& device, QString& error);
