#pragma once
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include "common/PathHelpers.h"

// Helpers shared by the output tests.
namespace OutputTest {

inline QString ProgramDir() {
    return qEnvironmentVariable("BRISVANE_PROGRAM_DIR");
}
inline QString RealConverter() {
    return ProgramDir() + QStringLiteral("/brisvane-convert");
}

// A photo-like picture: smooth gradients with detail, so every format has work to do.
inline QImage TestPicture(int width = 160, int height = 120) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 255) / width, (y * 255) / height,
                                128 + int(100 * std::sin(x / 7.0) * std::cos(y / 5.0))));
    return image;
}

inline QByteArray FileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// A stand-in converter: a shell script with the given body, made executable.
inline QString WriteScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Peak signal-to-noise ratio of b against a, in dB, over the pixels where `counts` says so.
template <class Pred>
double Psnr(const QImage& a, const QImage& b, Pred counts) {
    double sum = 0;
    long long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!counts(x, y)) continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d[3] = {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)};
            for (int v : d) sum += v * v;
            n += 3;
        }
    if (sum == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / n));
}

// The names in a folder, hidden ones included.
inline QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

}  // namespace OutputTest
