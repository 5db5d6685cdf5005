// brisvane-bench: times each engine on each case and checks that the engines agree.
//
//   brisvane-bench [NAME...]      runs the cases whose name contains one of the NAMEs (all without)
//
// Photos come from $BRISVANE_PHOTOS, else from the shared photo folder beside the source tree.
// Each case marks the imprint's box of NAME.json in pure green on NAME-stamped.jpg and fills it.
// Every engine after the first is compared with the first: time ratio and identical pixels.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <optional>
#include <vector>

#include "inpaint/Inpainting.h"
#include "inpaint/MemoryPicture.h"
#include "inpaint/reference/ReferenceEngine.h"

namespace {

using EngineFunction = int (*)(inpaint::PictureAccess&, inpaint::PictureAccess&, std::uint8_t,
                               std::uint8_t, std::uint8_t, bool, int, int, const inpaint::RunHooks&);

struct Engine {
    const char* name;
    EngineFunction run;
};

// The first engine is the one the others are measured and checked against.
const Engine kEngines[] = {
    {"reference", &inpaint::reference::InpaintPicture},
};

struct Case {
    const char* photo;  // NAME: NAME-stamped.jpg with the box of NAME.json
    int block;
    int border;
};

const Case kCases[] = {
    {"bridge", 4, 10},
    {"bridge", 4, 50},
};

struct Outcome {
    double ms = 0.0;     // wall-clock time
    double cpuMs = 0.0;  // processor time of the whole program (engines may use threads)
    int steps = 0;
    std::vector<std::uint32_t> pixels;
    QString error;
};

QString PhotoFolder() {
    const QString env = qEnvironmentVariable("BRISVANE_PHOTOS");
    return env.isEmpty() ? QStringLiteral(BRISVANE_DEFAULT_PHOTOS) : env;
}

// The stamped photo with its imprint's box painted in the marker colour.
std::optional<inpaint::MemoryPicture> MarkedPhoto(const QString& name, QString& error) {
    const QString folder = PhotoFolder();
    QImageReader reader(folder + QLatin1Char('/') + name + QStringLiteral("-stamped.jpg"));
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    QFile json(folder + QLatin1Char('/') + name + QStringLiteral(".json"));
    if (image.isNull() || !json.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1 from %2").arg(name, folder);
        return std::nullopt;
    }
    const QJsonArray box =
        QJsonDocument::fromJson(json.readAll()).object().value("stamp_box_x0_y0_x1_y1_exclusive").toArray();
    if (box.size() != 4) {
        error = QStringLiteral("no box in %1.json").arg(name);
        return std::nullopt;
    }
    inpaint::MemoryPicture picture(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) picture.At(x, y) = image.pixel(x, y);
    const int x0 = box[0].toInt(), y0 = box[1].toInt();
    picture.FillRect(x0, y0, box[2].toInt() - x0, box[3].toInt() - y0, 0xff00ff00u);
    return picture;
}

Outcome RunOnce(const Engine& engine, const inpaint::MemoryPicture& marked, const Case& c) {
    inpaint::MemoryPicture picture = marked;
    Outcome o;
    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    try {
        o.steps = engine.run(picture, picture, 0, 255, 0, false, c.block, c.border, {});
    } catch (const inpaint::InpaintError& e) {
        o.error = QString::fromStdString(e.what());
    }
    o.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    o.cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    o.pixels = picture.Pixels();
    return o;
}

bool Selected(const Case& c, const QStringList& filters) {
    const QString name = QStringLiteral("%1 block %2 border %3").arg(QLatin1String(c.photo)).arg(c.block).arg(c.border);
    if (filters.isEmpty()) return true;
    for (const QString& f : filters)
        if (name.contains(f)) return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QImageReader::setAllocationLimit(4096);
    const QStringList filters = QCoreApplication::arguments().mid(1);
    std::printf("%-8s %5s %6s  %-10s %10s %10s %7s %7s %s\n", "photo", "block", "border", "engine",
                "ms", "cpu ms", "steps", "ratio", "pixels");
    int failures = 0;
    for (const Case& c : kCases) {
        if (!Selected(c, filters)) continue;
        QString error;
        const std::optional<inpaint::MemoryPicture> marked = MarkedPhoto(QLatin1String(c.photo), error);
        if (!marked) {
            std::fprintf(stderr, "brisvane-bench: %s\n", qPrintable(error));
            return 2;
        }
        std::optional<Outcome> first;
        for (const Engine& engine : kEngines) {
            Outcome o = RunOnce(engine, *marked, c);
            const char* pixels = "";
            char ratio[32] = "";
            if (first) {
                const bool same = o.pixels == first->pixels && o.steps == first->steps;
                pixels = same ? "same" : "DIFFERENT";
                failures += same ? 0 : 1;
                std::snprintf(ratio, sizeof ratio, "%.2fx", first->ms / o.ms);
            }
            std::printf("%-8s %5d %6d  %-10s %10.0f %10.0f %7d %7s %s%s\n", c.photo, c.block,
                        c.border, engine.name, o.ms, o.cpuMs, o.steps, ratio, pixels,
                        o.error.isEmpty() ? "" : qPrintable(QStringLiteral("  error: ") + o.error));
            std::fflush(stdout);
            if (!first) first = std::move(o);
        }
    }
    return failures == 0 ? 0 : 1;
}
