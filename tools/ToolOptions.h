#pragma once
#include <QByteArray>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// The command line of brisvane-inpaint, apart from the program so it can be tested on its own.
namespace tool {

constexpr int kExitUsage = 2;
constexpr int kExitCannotProgress = 3;

extern const char* const kUsage;

struct Options {
    int block = 4;
    int border = 10;
    QString mask;
    QList<QRect> boxes;
    bool trace = false;
    bool fine = false;      // the finer fill instead of the exact one; it has no Block Size
    bool times = false;     // print the time of each part (read, fill, write) on the error channel
    bool find = false;      // --find PHOTO: print the date imprints found on `in`, nothing written
    bool autoFind = false;  // --auto: the imprints found on each photo are marks too
    QString in;
    QString out;
    QByteArray outFormat;  // "png", "bmp", "ppm", "jpeg" or "gif", from OUT's extension

    // A batch (--out-dir): every file argument is a photo, each result goes into outDir.
    QString outDir;
    QStringList photos;
    QSize ref;     // the picture the boxes and the mask are given on; invalid: the first photo
    int jobs = 0;  // photos at work at once; 0: one per core
    bool Batch() const { return !outDir.isEmpty(); }
};

// Failure with one line on the error channel.
struct Failure {
    int code;
    QString message;
};

Failure Usage(const QString& message);

// The part of `box` inside a picture of `size`; throws Usage, naming the `picture`, when none is.
QRect BoxInside(const QRect& box, QSize size, const QString& picture);

// Reads the arguments (the program's name first); throws Failure on anything it cannot take.
Options Parse(const QStringList& args);

}  // namespace tool
