// brisvane-inpaint: removes marked areas from a picture on the command line.
//
//   brisvane-inpaint [--block N] [--border N] [--mask FILE] [--box X,Y,W,H]... [--trace] [--] IN OUT
//
// Reads IN, paints each --box rectangle and the white pixels of --mask in the marker colour
// (red 0, green 255, blue 0), fills every pixel of exactly that colour, writes OUT in the format
// of its extension and prints "steps N". OUT is written under a temporary name beside it and
// renamed into place when complete, so a failure leaves no half-written file.
// Exit codes: 0 done, 2 bad arguments or unreadable/unwritable file, 3 the run cannot progress.
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QRect>
#include <QSaveFile>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "converter/GifFile.h"
#include "converter/Palette.h"
#include "inpaint/Inpainting.h"
#include "platform/PictureFile.h"
#include "tools/ImagePicture.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitCannotProgress = 3;
constexpr int kJpegQuality = 95;
constexpr QRgb kMarker = 0xff00ff00;  // red 0, green 255, blue 0
constexpr int kMaskWhiteFrom = 128;   // lightness from which a mask pixel counts as white

const char* const kUsage =
    "usage: brisvane-inpaint [--block N] [--border N] [--mask FILE] [--box X,Y,W,H]... [--trace] "
    "[--] IN OUT";

struct Options {
    int block = 4;
    int border = 10;
    QString mask;
    QList<QRect> boxes;
    bool trace = false;
    QString in;
    QString out;
    QByteArray outFormat;
};

// Failure with one line on the error channel.
struct Failure {
    int code;
    QString message;
};

int Report(const Failure& f) {
    std::fprintf(stderr, "brisvane-inpaint: %s\n", qPrintable(f.message));
    return f.code;
}

Failure Usage(const QString& message) { return {kExitUsage, message}; }

int NumberIn(const QString& option, const QString& text, int low, int high) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        throw Usage(QStringLiteral("%1 takes a number from %2 to %3, not \"%4\"")
                        .arg(option)
                        .arg(low)
                        .arg(high)
                        .arg(text));
    return n;
}

QRect BoxFrom(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok = parts.size() == 4;
    int v[4] = {0, 0, 0, 0};
    for (int i = 0; ok && i < 4; ++i) v[i] = parts[i].trimmed().toInt(&ok);
    if (!ok || v[0] < 0 || v[1] < 0 || v[2] < 1 || v[3] < 1)
        throw Usage(QStringLiteral("--box takes X,Y,W,H with X, Y from 0 and W, H from 1, not \"%1\"")
                        .arg(text));
    return QRect(v[0], v[1], v[2], v[3]);
}

QByteArray FormatFor(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("png")) return "png";
    if (ext == QLatin1String("bmp")) return "bmp";
    if (ext == QLatin1String("ppm")) return "ppm";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) return "jpeg";
    if (ext == QLatin1String("gif")) return "gif";
    throw Usage(QStringLiteral("cannot write \"%1\": the name must end in .png, .bmp, .ppm, .jpg, "
                               ".jpeg or .gif")
                    .arg(path));
}

Options Parse(const QStringList& args) {
    Options o;
    QStringList files;
    bool optionsEnded = false;  // after "--" every argument is a file, even "--box.jpg"
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded) {
            files.append(a);
            continue;
        }
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) throw Usage(QStringLiteral("%1 needs a value").arg(a));
            return args[++i];
        };
        if (a == QLatin1String("--block"))
            o.block = NumberIn(a, value(), 2, 32);
        else if (a == QLatin1String("--border"))
            o.border = NumberIn(a, value(), 10, 500);
        else if (a == QLatin1String("--mask"))
            o.mask = value();
        else if (a == QLatin1String("--box"))
            o.boxes.append(BoxFrom(value()));
        else if (a == QLatin1String("--trace"))
            o.trace = true;
        else if (a == QLatin1String("--"))
            optionsEnded = true;
        else if (a.startsWith(QLatin1String("--")))
            throw Usage(QStringLiteral("unknown option \"%1\"; %2").arg(a, QLatin1String(kUsage)));
        else
            files.append(a);
    }
    if (files.size() != 2)
        throw Usage(QStringLiteral("expected IN and OUT; %1").arg(QLatin1String(kUsage)));
    o.in = files[0];
    o.out = files[1];
    o.outFormat = FormatFor(o.out);
    return o;
}

QImage Load(const QString& path, const char* what) {
    const PictureRead read = ReadPicture(path);
    if (read.image.isNull())
        throw Usage(QStringLiteral("cannot read %1 \"%2\": %3").arg(QLatin1String(what), path, read.problem));
    return read.image;
}

void PaintBoxes(QImage& image, const QList<QRect>& boxes) {
    for (const QRect& box : boxes) {
        const QRect inside = box.intersected(image.rect());
        if (inside.isEmpty())
            throw Usage(QStringLiteral("box %1,%2,%3,%4 lies outside the %5x%6 picture")
                            .arg(box.x())
                            .arg(box.y())
                            .arg(box.width())
                            .arg(box.height())
                            .arg(image.width())
                            .arg(image.height()));
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = inside.left(); x <= inside.right(); ++x)
                line[x] = (line[x] & 0xff000000u) | (kMarker & 0x00ffffffu);
        }
    }
}

void PaintMask(QImage& image, const QString& path) {
    const QImage mask = Load(path, "mask").convertToFormat(QImage::Format_RGB32);
    if (mask.size() != image.size())
        throw Usage(QStringLiteral("mask \"%1\" is %2x%3, the picture %4x%5")
                        .arg(path)
                        .arg(mask.width())
                        .arg(mask.height())
                        .arg(image.width())
                        .arg(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qGray(in[x]) >= kMaskWhiteFrom)
                line[x] = (line[x] & 0xff000000u) | (kMarker & 0x00ffffffu);
    }
}

bool Encode(const QImage& image, const QByteArray& format, QIODevice& device, QString& error) {
    if (format == "gif") {
        if (image.width() > 65535 || image.height() > 65535) {
            error = QStringLiteral("the picture is too large for GIF");
            return false;
        }
        return WriteGif(ReduceColours(image, 256, true), device, error);
    }
    QImageWriter writer(&device, format);
    if (format == "jpeg") writer.setQuality(kJpegQuality);
    if (!writer.write(image)) {
        error = writer.errorString();
        return false;
    }
    return true;
}

int Run(const Options& o) {
    ImagePicture picture(Load(o.in, "picture"));
    PaintBoxes(picture.Image(), o.boxes);
    if (!o.mask.isEmpty()) PaintMask(picture.Image(), o.mask);

    QSaveFile file(o.out);
    if (!file.open(QIODevice::WriteOnly))
        throw Usage(QStringLiteral("cannot write \"%1\": %2").arg(o.out, file.errorString()));

    inpaint::RunHooks hooks;
    if (o.trace)
        hooks.trace = [](const inpaint::StepTrace& s) {
            std::printf("%d %d %d %d\n", s.tx, s.ty, s.sx, s.sy);
        };
    int steps = 0;
    try {
        steps = inpaint::InpaintPicture(picture, picture, 0, 255, 0, false, o.block, o.border, hooks);
    } catch (const inpaint::InpaintError& e) {
        file.cancelWriting();
        throw Failure{kExitCannotProgress, QString::fromStdString(e.what())};
    }

    QString error;
    if (!Encode(picture.Image(), o.outFormat, file, error)) {
        file.cancelWriting();
        throw Usage(QStringLiteral("cannot write \"%1\": %2").arg(o.out, error));
    }
    if (!file.commit())
        throw Usage(QStringLiteral("cannot write \"%1\": %2").arg(o.out, file.errorString()));
    std::printf("steps %d\n", steps);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        return Run(Parse(QCoreApplication::arguments()));
    } catch (const Failure& f) {
        return Report(f);
    }
}
