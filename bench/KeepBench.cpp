// brisvane-keep-bench: what a save keeps of each stamped sample photo, at full size. The
// imprint's box is filled by the exact engine (Block Size 4, Scan Border 10) and the result saved
// as a JPEG with the photo as its source; printed per photo: the MCUs kept as they were, the file
// size against the photo's, and against encoding the whole picture anew (quality 95, 4:4:4, as
// without a source), with the time of each save. Each photo is measured as shared (4:4:4) and
// re-encoded the way most cameras store photos (4:2:0, quality 92).
//
//   brisvane-keep-bench [PHOTOS_FOLDER]
#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "inpaint/Inpainting.h"
#include "inpaint/MarkerColor.h"
#include "inpaint/MemoryPicture.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"
#include "support/TaggedPhotos.h"

namespace {

QRect StampBox(const QString& folder, const QString& name) {
    QFile json(folder + QLatin1Char('/') + name + QStringLiteral(".json"));
    if (!json.open(QIODevice::ReadOnly)) return {};
    const QJsonArray b = QJsonDocument::fromJson(json.readAll())
                             .object()
                             .value(QStringLiteral("stamp_box_x0_y0_x1_y1_exclusive"))
                             .toArray();
    return QRect(QPoint(b[0].toInt(), b[1].toInt()), QPoint(b[2].toInt() - 1, b[3].toInt() - 1));
}

// The picture with `box` filled as "Start Removing" would fill it.
QImage Filled(const QImage& picture, const QRect& box) {
    const int w = picture.width(), h = picture.height();
    inpaint::MemoryPicture memory(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            memory.At(x, y) =
                box.contains(x, y) ? inpaint::kOpaqueMarkerPixel : picture.pixel(x, y);
    inpaint::InpaintPicture(memory, memory, inpaint::InpaintOptions{});
    QImage filled(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) filled.setPixel(x, y, memory.At(x, y) | 0xFF000000u);
    return filled;
}

struct Written {
    qint64 bytes = 0;
    double ms = 0;
    WriteReport report;
};

Written Write(const QImage& picture, const QByteArray& source) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    Written written;
    QElapsedTimer clock;
    clock.start();
    const QString error = source.isEmpty() ? WritePicture(picture, PictureFormat::Jpeg, buffer)
                                           : WritePicture(picture, PictureFormat::Jpeg, buffer, {},
                                                          WriteSource{{}, source}, &written.report);
    written.ms = clock.nsecsElapsed() / 1e6;
    if (!error.isEmpty()) std::fprintf(stderr, "cannot write: %s\n", qPrintable(error));
    written.bytes = out.size();
    return written;
}

double Percent(qint64 part, qint64 whole) {
    return 100.0 * double(part) / double(whole);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : qEnvironmentVariable("BRISVANE_PHOTOS", QStringLiteral(BRISVANE_DEFAULT_PHOTOS));
    std::printf("%-10s %-6s %11s %8s %8s %9s  %-22s %-22s\n", "photo", "layout", "size", "MCUs",
                "new", "kept", "kept blocks: bytes, ms", "whole anew: bytes, ms");
    for (const char* name : {"astronaut", "coffee", "dune", "path", "friends", "bridge"}) {
        const QString photo = QStringLiteral("%1/%2-stamped.jpg").arg(folder, QLatin1String(name));
        QFile file(photo);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "missing %s\n", qPrintable(photo));
            return 1;
        }
        const QByteArray shared = file.readAll();
        const QRect box = StampBox(folder, QLatin1String(name));
        const QImage stamped = DecodePicture(shared).image.convertToFormat(QImage::Format_RGB32);
        TaggedPhotos::Encoding camera;
        camera.quality = 92;
        const QByteArray sources[] = {shared, TaggedPhotos::Jpeg(stamped, camera)};
        const char* layouts[] = {"4:4:4", "4:2:0"};
        for (int i = 0; i < 2; ++i) {
            const QImage filled = Filled(DecodePicture(sources[i]).image, box);
            const Written kept = Write(filled, sources[i]);
            const Written whole = Write(filled, {});
            const qint64 before = sources[i].size();
            std::printf(
                "%-10s %-6s %5dx%-5d %8d %8d %8.2f%%  %+6.1f%% %8.0f ms    %+6.1f%% %8.0f ms\n",
                name, layouts[i], stamped.width(), stamped.height(), kept.report.units,
                kept.report.rewritten,
                100.0 - Percent(kept.report.rewritten, qMax(1, kept.report.units)),
                Percent(kept.bytes - before, before), kept.ms,
                Percent(whole.bytes - before, before), whole.ms);
        }
    }
    return 0;
}
