#pragma once
#include <QImage>
#include <QImageIOHandler>
#include <QString>
#include <QStringList>

// Reading picture files: the one place that decides which files the program works on. The
// editor, brisvane-inpaint and brisvane-convert all read through here; files are opened by the
// bytes of their names (see FileNames.h).
//
// Before anything is decoded, the file must exist, hold something, be recognised by its content
// (not its name) as BMP, JPEG, GIF, PNG or PBM/PGM/PPM, and announce a size within
// MaxPicturePixels; after decoding, a JPEG, GIF or BMP that stops before its end is refused
// rather than shown half grey. Pictures come upright: a JPEG
// whose EXIF says it was taken turned is turned back.

// The largest picture taken: the editor holds a few copies of it (picture, marks, undo) and the
// engine one more, at 4 bytes a pixel.
constexpr qint64 MaxPicturePixels = 100'000'000;

// The largest file read: more than any picture of MaxPicturePixels takes, even uncompressed.
constexpr qint64 MaxPictureFileBytes = qint64(1) << 30;

// Progressive JPEGs come in about ten scans; each one is a pass over the whole picture, so a
// file of thousands would keep the decoder busy for hours.
constexpr int MaxJpegScans = 100;

struct PictureRead {
    QImage image;     // null when the file was refused
    QString problem;  // why it was refused, for the user: "the file is empty", ...
    // How the stored pixels were turned upright (from the JPEG's EXIF orientation).
    QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone;
};

PictureRead ReadPicture(const QString& path);
// The same checks and decoding for a file's whole content.
PictureRead DecodePicture(const QByteArray& data, qint64 maxPixels = MaxPicturePixels);

// What would be lost if the picture file at `path` were replaced by a single-frame picture
// without transparency, for the user: "its 3 later animation frames", "its transparency".
// Empty when nothing would be lost or the file cannot be read.
QStringList ContentLostByReplacing(const QString& path);

// Byte-level checks, exposed for tests: true when the data holds a complete JPEG (an end marker
// after the first scan), GIF (every block up to its trailer) or BMP (all rows of pixels).
bool JpegDataIsComplete(const QByteArray& data);
bool GifDataIsComplete(const QByteArray& data);
bool BmpDataIsComplete(const QByteArray& data);
// The number of scans in JPEG data.
int JpegScanCount(const QByteArray& data);
