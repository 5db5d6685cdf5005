#pragma once
#include <QIODevice>
#include <QImage>
#include <QString>

#include "picture/Metadata.h"

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

// The photo a picture came from, when the picture is saved as the result of editing it. A JPEG or
// PNG result keeps the source's metadata (see Metadata.h) and ICC profile (dropped when it
// describes other colours than the result's: a CMYK or grey source saved in colour). A JPEG result
// of a JPEG source of the same size keeps every block the edit left alone (see JpegBlocks.h):
// the picture is turned back to the source's stored orientation for that and keeps its
// orientation tag. Otherwise the picture is encoded whole, upright, and the tag says so. A source
// that cannot be read is no error: the picture is then written as without one.
struct WriteSource {
    QString path;        // read by the bytes of its name; empty: no source
    QByteArray content;  // the file's content when it is read already (`path` is then not read)
};

// What a write with a source kept of it.
struct WriteReport {
    bool blocksKept = false;  // the source's untouched blocks were kept
    int units = 0;            // then the MCUs of the picture
    int rewritten = 0;        // and how many of them were encoded anew
    bool iccProfile = false;  // the source's ICC profile was carried over
    MetadataWritten metadata;
};

QString WritePicture(const QImage& picture, PictureFormat format, QIODevice& device,
                     const WriteOptions& options, const WriteSource& source,
                     WriteReport* report = nullptr);
QString WritePicture(const QImage& picture, PictureFormat format, const QString& path,
                     const WriteOptions& options, const WriteSource& source,
                     WriteReport* report = nullptr);
