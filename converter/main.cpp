// brisvane-convert: the console converter the editor runs to write JPEG, GIF and PNG results.
//
//   brisvane-convert -out jpeg -truecolors -o TARGET INPUT
//   brisvane-convert -out gif -dither -colors 256 -o TARGET INPUT
//   brisvane-convert -out png -o TARGET INPUT
//
// Reads INPUT (BMP or anything else Qt reads) and writes TARGET in the named format. With
// -source FILE, FILE is the photo INPUT's pixels came from: a JPEG or PNG target keeps
// its metadata, and a JPEG target of a JPEG source its untouched blocks (see PictureWriter.h). The
// target is written under a temporary name beside it and renamed into place only when complete, so
// a failure leaves no target behind (and an existing one untouched). Exit code 0 on success;
// otherwise a message on the error channel and a non-zero code.
#include <QCoreApplication>
#include <QImage>
#include <cstdio>
#include <optional>

#include "converter/ConvertArguments.h"
#include "picture/FileNames.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"

namespace {

enum ExitCode { kOk = 0, kUsage = 1, kReadFailed = 2, kWriteFailed = 3 };

int Fail(int code, const QString& message) {
    std::fprintf(stderr, "brisvane-convert: %s\n", TerminalText(message).constData());
    return code;
}

PictureFormat FormatNamed(const QString& name) {
    if (name == QLatin1String("gif")) return PictureFormat::Gif;
    if (name == QLatin1String("jpeg")) return PictureFormat::Jpeg;
    return PictureFormat::Png;
}

int Convert(const ConvertRequest& r) {
    const PictureRead read = ReadPicture(r.input);
    if (read.image.isNull())
        return Fail(kReadFailed,
                    QStringLiteral("cannot read \"%1\": %2").arg(r.input, read.problem));
    // Results are written opaque: the editor neither shows nor saves transparency.
    const QImage picture = read.image.convertToFormat(QImage::Format_RGB32);
    const QString error = WritePicture(picture, FormatNamed(r.format), r.target,
                                       {r.colours, r.dither}, WriteSource{r.source, {}});
    if (!error.isEmpty())
        return Fail(kWriteFailed, QStringLiteral("cannot write \"%1\": %2").arg(r.target, error));
    return kOk;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<ConvertRequest> request =
        ParseConvertArguments(ProgramArguments(argc, argv), error);
    if (!request) return Fail(kUsage, error + QLatin1Char('\n') + QLatin1String(kConvertUsage));
    return Convert(*request);
}
