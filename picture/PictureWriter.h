#pragma once
#include <QIODevice>
#include <QImage>
#include <QString>

// Writing picture files: the one writer of every program, the format chosen by the caller.

enum class PictureFormat { Bmp, Png, Ppm, Jpeg, Gif };

// The quality of every JPEG written (with full-resolution colour, see JpegFile.h).
constexpr int JpegQuality = 95;

struct WriteOptions {
    // 0 keeps true colours (a GIF then gets 256). From 2 to 256: a palette of at most that many
    // colours, for a GIF or an indexed PNG; the other formats ignore it.
    int colours = 0;
    bool dither = false;  // ordered dithering when the colours are reduced
};

// Writes `picture` as it is (with its transparency, where the format keeps it) to `device`.
// Returns an empty text on success, else why it failed, for the user.
QString WritePicture(const QImage& picture, PictureFormat format, QIODevice& device,
                     const WriteOptions& options = {});

// The same into the file `path`, written whole or not at all (see SaveFile.h).
QString WritePicture(const QImage& picture, PictureFormat format, const QString& path,
                     const WriteOptions& options = {});
