// brisvane-convert: the console converter the editor runs to write JPEG, GIF and PNG results.
//
//   brisvane-convert -out jpeg -truecolors -o TARGET INPUT
//   brisvane-convert -out gif -dither -colors 256 -o TARGET INPUT
//   brisvane-convert -out png -o TARGET INPUT
//
// Reads INPUT (BMP or anything else Qt reads) and writes TARGET in the named format. The target
// is written under a temporary name beside it and renamed into place only when complete, so a
// failure leaves no target behind (and an existing one untouched). Exit code 0 on success;
// otherwise a message on the error channel and a non-zero code.
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <cstdio>
#include <optional>

#include "converter/GifFile.h"
#include "converter/JpegFile.h"
#include "converter/Palette.h"
#include "platform/PictureFile.h"

namespace {

constexpr int kJpegQuality = 95;

enum ExitCode { kOk = 0, kUsage = 1, kReadFailed = 2, kWriteFailed = 3 };

struct Request {
    QString format;   // "jpeg", "gif" or "png"
    QString target;
    QString input;
    int colours = 0;  // 0: keep true colours
    bool dither = false;
};

int Fail(int code, const QString& message) {
    std::fprintf(stderr, "brisvane-convert: %s\n", qPrintable(message));
    return code;
}

const char* const kUsageText =
    "usage: brisvane-convert -out jpeg|gif|png [-truecolors] [-dither] [-colors N] -o TARGET INPUT";

std::optional<Request> Parse(const QStringList& args, QString& error) {
    Request r;
    const qsizetype last = args.size() - 1;  // the input file
    for (qsizetype i = 1; i < last; ++i) {
        const QString& a = args[i];
        auto value = [&](const char* name) -> std::optional<QString> {
            if (i + 1 >= last) {
                error = QStringLiteral("%1 needs a value").arg(QLatin1String(name));
                return std::nullopt;
            }
            return args[++i];
        };
        if (a == QLatin1String("-out")) {
            const auto v = value("-out");
            if (!v) return std::nullopt;
            r.format = v->toLower();
        } else if (a == QLatin1String("-o")) {
            const auto v = value("-o");
            if (!v) return std::nullopt;
            r.target = *v;
        } else if (a == QLatin1String("-colors")) {
            const auto v = value("-colors");
            if (!v) return std::nullopt;
            bool ok = false;
            r.colours = v->toInt(&ok);
            if (!ok || r.colours < 2 || r.colours > 256) {
                error = QStringLiteral("-colors takes a number from 2 to 256, not \"%1\"").arg(*v);
                return std::nullopt;
            }
        } else if (a == QLatin1String("-dither")) {
            r.dither = true;
        } else if (a == QLatin1String("-truecolors")) {
            r.colours = 0;
        } else {
            error = QStringLiteral("unknown option \"%1\"").arg(a);
            return std::nullopt;
        }
    }
    if (last < 1) {
        error = QStringLiteral("no input file");
        return std::nullopt;
    }
    r.input = args[last];
    if (r.format != QLatin1String("jpeg") && r.format != QLatin1String("gif") && r.format != QLatin1String("png")) {
        error = r.format.isEmpty() ? QStringLiteral("no output format (-out)")
                                   : QStringLiteral("unknown output format \"%1\"").arg(r.format);
        return std::nullopt;
    }
    if (r.target.isEmpty()) {
        error = QStringLiteral("no target file (-o)");
        return std::nullopt;
    }
    return r;
}

bool WriteTo(QSaveFile& file, const QImage& picture, const Request& r, QString& error) {
    if (r.format == QLatin1String("gif")) {
        if (picture.width() > 65535 || picture.height() > 65535) {
            error = QStringLiteral("the picture is too large for GIF");
            return false;
        }
        return WriteGif(ReduceColours(picture, r.colours ? r.colours : 256, r.dither), file, error);
    }
    if (r.format == QLatin1String("jpeg")) return WriteJpeg(picture, kJpegQuality, file, error);
    QImage image = picture.convertToFormat(QImage::Format_RGB32);
    if (r.colours) {  // indexed PNG
        const IndexedPicture reduced = ReduceColours(image, r.colours, r.dither);
        image = QImage(reduced.width, reduced.height, QImage::Format_Indexed8);
        image.setColorTable(reduced.palette);
        for (int y = 0; y < reduced.height; ++y)
            std::copy_n(&reduced.indices[size_t(y) * reduced.width], reduced.width, image.scanLine(y));
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        error = writer.errorString();
        return false;
    }
    return true;
}

int Convert(const Request& r) {
    const PictureRead read = ReadPicture(r.input);
    if (read.image.isNull()) return Fail(kReadFailed, QStringLiteral("cannot read \"%1\": %2").arg(r.input, read.problem));
    const QImage& picture = read.image;

    QSaveFile file(r.target);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(kWriteFailed, QStringLiteral("cannot write \"%1\": %2").arg(r.target, file.errorString()));
    QString error;
    if (!WriteTo(file, picture, r, error)) {
        file.cancelWriting();
        return Fail(kWriteFailed, QStringLiteral("cannot write \"%1\": %2").arg(r.target, error));
    }
    if (!file.commit())
        return Fail(kWriteFailed, QStringLiteral("cannot write \"%1\": %2").arg(r.target, file.errorString()));
    return kOk;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<Request> request = Parse(QCoreApplication::arguments(), error);
    if (!request) return Fail(kUsage, error + QLatin1Char('\n') + QLatin1String(kUsageText));
    return Convert(*request);
}
