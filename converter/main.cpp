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

#include "converter/ConvertArguments.h"
#include "picture/GifFile.h"
#include "picture/JpegFile.h"
#include "picture/Palette.h"
#include "picture/PictureFile.h"

namespace {

constexpr int kJpegQuality = 95;

enum ExitCode { kOk = 0, kUsage = 1, kReadFailed = 2, kWriteFailed = 3 };

int Fail(int code, const QString& message) {
    std::fprintf(stderr, "brisvane-convert: %s\n", qPrintable(message));
    return code;
}

bool WriteTo(QSaveFile& file, const QImage& picture, const ConvertRequest& r, QString& error) {
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
            std::copy_n(&reduced.indices[size_t(y) * reduced.width], reduced.width,
                        image.scanLine(y));
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        error = writer.errorString();
        return false;
    }
    return true;
}

int Convert(const ConvertRequest& r) {
    const PictureRead read = ReadPicture(r.input);
    if (read.image.isNull())
        return Fail(kReadFailed,
                    QStringLiteral("cannot read \"%1\": %2").arg(r.input, read.problem));
    const QImage& picture = read.image;

    QSaveFile file(r.target);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(kWriteFailed,
                    QStringLiteral("cannot write \"%1\": %2").arg(r.target, file.errorString()));
    QString error;
    if (!WriteTo(file, picture, r, error)) {
        file.cancelWriting();
        return Fail(kWriteFailed, QStringLiteral("cannot write \"%1\": %2").arg(r.target, error));
    }
    if (!file.commit())
        return Fail(kWriteFailed,
                    QStringLiteral("cannot write \"%1\": %2").arg(r.target, file.errorString()));
    return kOk;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<ConvertRequest> request =
        ParseConvertArguments(QCoreApplication::arguments(), error);
    if (!request) return Fail(kUsage, error + QLatin1Char('\n') + QLatin1String(kConvertUsage));
    return Convert(*request);
}
