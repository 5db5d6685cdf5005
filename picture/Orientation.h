#pragma once
#include <QImage>
#include <QImageIOHandler>

// Photos taken turned. A JPEG stores its pixels as the camera's sensor saw them and says in its
// EXIF orientation (1 to 8) how to turn them upright; the reader turns them (see PictureFile.h).
// A save that keeps the file's own blocks turns the picture back first.

// The EXIF orientation of a turn as the reader reports it, and back; 1 is "as stored".
int ExifOrientationOf(QImageIOHandler::Transformations turn);
QImageIOHandler::Transformations TurnOfExifOrientation(int orientation);

// The upright picture turned back to how the file stores it: undoes `turn` exactly, pixel for
// pixel. The result is 32-bit (with the picture's alpha channel when it has one).
QImage StoredOrientation(const QImage& upright, QImageIOHandler::Transformations turn);
