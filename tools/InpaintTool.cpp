// brisvane-inpaint: removes marked areas from a picture on the command line.
//
//   brisvane-inpaint [--block N] [--border N] [--mask FILE] [--box X,Y,W,H]... [--trace] [--fine]
//   [--times] [--] IN OUT
//
// Reads IN, paints each --box rectangle and the white pixels of --mask in the marker colour
// (red 0, green 255, blue 0), fills every pixel of exactly that colour, writes OUT in the format
// of its extension and prints "steps N". With --fine the finer fill does the work (it has no
// Block Size) and the program prints "filled N", the number of pixels filled. OUT is written under
// a temporary name beside it and renamed into place when complete, so a failure leaves no
// half-written file. IN is OUT's source: a JPEG or PNG OUT keeps IN's metadata, and a JPEG OUT of a
// JPEG IN every block the fill left alone (see picture/PictureWriter.h). --times prints how long
// reading, filling and writing took ("times read MS fill MS write MS") on the error channel.
// Exit codes: 0 done, 2 bad arguments or unreadable/unwritable file, 3 the run cannot progress.
// With --auto the camera date imprints found on IN are marked too; when none is found and no
// --box or --mask is given, the program prints "no imprint found", writes nothing and exits 0.
//
//   brisvane-inpaint --find PHOTO
//
// Prints one line "X,Y,W,H" (pixels of the upright picture, as --box takes them) per date imprint
// found on PHOTO, or "none". Exit 0 either way, 2 when PHOTO cannot be read.
//
//   brisvane-inpaint [--block N] [--border N] [--box X,Y,W,H]... [--mask FILE] [--ref WxH] [--fine]
//   --out-dir DIR [--jobs N] [--] PHOTO...
//
// Removes the same marks from every PHOTO: the boxes and the mask are given on a picture of size
// --ref (by default the first photo) and carried onto each photo (see inpaint/MarkAnchoring.h).
// Each result goes into DIR under the photo's own name and format, as the editor's save names it;
// one line per photo ("NAME: steps N" or "NAME: error REASON") and a summary line. Exit 3 when any
// photo failed, 2 (nothing written) for bad arguments or a DIR that holds one of the photos.
// With --auto the imprints found on each photo are marks too; a photo with none found and no
// other marks gets the line "NAME: no imprint found", no result, and is not a failure.
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QRect>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "common/FoundImprints.h"
#include "inpaint/Inpainting.h"
#include "inpaint/MarkerColor.h"
#include "inpaint/fine/FineFill.h"
#include "picture/FileNames.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"
#include "picture/SaveFile.h"
#include "tools/BatchRun.h"
#include "tools/FoundImprints.h"
#include "tools/ImagePicture.h"
#include "tools/ToolOptions.h"

namespace {

using namespace tool;

constexpr int kMaskWhiteFrom = 128;  // lightness from which a mask pixel counts as white

int Report(const Failure& f) {
    std::fprintf(stderr, "brisvane-inpaint: %s\n", TerminalText(f.message).constData());
    return f.code;
}

QImage Load(const QString& path, const char* what) {
    const PictureRead read = ReadPicture(path);
    if (read.image.isNull())
        throw Usage(QStringLiteral("cannot read %1 \"%2\": %3")
                        .arg(QLatin1String(what), path, read.problem));
    return read.image;
}

void PaintBoxes(QImage& image, const QList<QRect>& boxes) {
    for (const QRect& box : boxes) {
        const QRect inside = BoxInside(box, image.size(), QStringLiteral("picture"));
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = inside.left(); x <= inside.right(); ++x)
                line[x] = (line[x] & 0xff000000u) | inpaint::kMarkerPixel;
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
                line[x] = (line[x] & 0xff000000u) | inpaint::kMarkerPixel;
    }
}

PictureFormat FormatNamed(const QByteArray& name) {
    if (name == "png") return PictureFormat::Png;
    if (name == "bmp") return PictureFormat::Bmp;
    if (name == "ppm") return PictureFormat::Ppm;
    if (name == "jpeg") return PictureFormat::Jpeg;
    return PictureFormat::Gif;
}

// Each fill returns the line the program prints when it is done.
QString FillExactly(ImagePicture& picture, const Options& o) {
    inpaint::RunHooks hooks;
    if (o.trace)
        hooks.trace = [](const inpaint::StepTrace& s) {
            std::printf("%d %d %d %d\n", s.tx, s.ty, s.sx, s.sy);
        };
    inpaint::InpaintOptions options;
    options.blockRadius = o.block;
    options.scanBorder = o.border;
    try {
        return QStringLiteral("steps %1")
            .arg(inpaint::InpaintPicture(picture, picture, options, hooks));
    } catch (const inpaint::InpaintError& e) {
        throw Failure{kExitCannotProgress, QString::fromStdString(e.what())};
    }
}

QString FillFinely(ImagePicture& picture, const Options& o) {
    inpaint::fine::FineOptions options;
    options.scanBorder = o.border;
    try {
        return QStringLiteral("filled %1")
            .arg(inpaint::fine::InpaintPicture(picture, picture, options));
    } catch (const inpaint::InpaintError& e) {
        throw Failure{kExitCannotProgress, QString::fromStdString(e.what())};
    }
}

int RunFind(const Options& o) {
    const QImage picture = Load(o.in, "picture");
    for (const QString& line : FindLines(FindImprintBoxes(picture, detect::FindImprints)))
        std::printf("%s\n", qPrintable(line));
    return 0;
}

int Run(const Options& o) {
    QElapsedTimer clock;
    clock.start();
    ImagePicture picture(Load(o.in, "picture"));
    if (o.autoFind) {
        const QList<QRect> found = FindImprintBoxes(picture.Image(), detect::FindImprints);
        if (found.isEmpty() && o.boxes.isEmpty() && o.mask.isEmpty()) {
            std::printf("no imprint found\n");
            return 0;
        }
        PaintBoxes(picture.Image(), found);
    }
    PaintBoxes(picture.Image(), o.boxes);
    if (!o.mask.isEmpty()) PaintMask(picture.Image(), o.mask);

    SaveFile file(o.out);
    if (!file.Open())
        throw Usage(QStringLiteral("cannot write \"%1\": %2").arg(o.out, file.Error()));

    const qint64 readNs = clock.nsecsElapsed();
    const QString done = o.fine ? FillFinely(picture, o) : FillExactly(picture, o);
    const qint64 fillNs = clock.nsecsElapsed();

    WriteOptions dithered;
    dithered.dither = true;  // a GIF's 256 colours
    const QString error = WritePicture(picture.Image(), FormatNamed(o.outFormat), file.Device(),
                                       dithered, WriteSource{o.in, {}});
    if (!error.isEmpty()) throw Usage(QStringLiteral("cannot write \"%1\": %2").arg(o.out, error));
    if (!file.Commit())
        throw Usage(QStringLiteral("cannot write \"%1\": %2").arg(o.out, file.Error()));
    if (o.times)
        std::fprintf(stderr, "times read %.1f fill %.1f write %.1f\n", readNs / 1e6,
                     (fillNs - readNs) / 1e6, (clock.nsecsElapsed() - fillNs) / 1e6);
    std::printf("%s\n", qPrintable(done));
    return 0;
}

// The batch: one line per photo as it finishes, then a summary line.
int RunMany(const Options& o) {
    const BatchPlan plan = PlanBatch(o);
    const bool progress = isatty(STDERR_FILENO) != 0;
    const int count = static_cast<int>(o.photos.size());
    int done = 0;
    const BatchReport report = RunBatch(plan, [&](const PhotoOutcome& outcome) {
        std::printf("%s: %s\n", TerminalText(outcome.photo).constData(),
                    TerminalText(outcome.line).constData());
        std::fflush(stdout);
        if (progress) std::fprintf(stderr, "\r%d of %d done ", ++done, count);
    });
    if (progress) std::fprintf(stderr, "\n");
    if (o.autoFind)
        std::printf("%d photos: %d written, %d failed, %d with no imprint found\n", count,
                    report.written, report.failed, report.noImprint);
    else
        std::printf("%d photos: %d written, %d failed\n", count, report.written, report.failed);
    return report.failed > 0 ? kExitCannotProgress : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        const Options options = Parse(ProgramArguments(argc, argv));
        if (options.find) return RunFind(options);
        return options.Batch() ? RunMany(options) : Run(options);
    } catch (const Failure& f) {
        return Report(f);
    }
}
