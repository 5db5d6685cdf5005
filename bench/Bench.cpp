// brisvane-bench: times each engine on each case and checks that the engines agree.
//
//   brisvane-bench [NAME...]      runs the cases whose name contains one of the NAMEs (all without)
//
// Photos come from $BRISVANE_PHOTOS, else from the shared photo folder beside the source tree.
// Each case marks the imprint's box of NAME.json in pure green on NAME-stamped.jpg and fills it,
// on the photo as it is or scaled (the box scaled alike), optionally with a second box of the same
// size in the opposite corner. Every engine after the first is compared with the first: time
// ratio and identical pixels. Cases where the reference would take far too long run only the
// fast engine. Each case states its target and whether this run met it. The memory case prints
// the engine's peak memory above what the process held just before the run.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <optional>
#include <string>
#include <vector>

#include "inpaint/Inpainting.h"
#include "inpaint/MarkerColor.h"
#include "inpaint/MemoryPicture.h"
#include "inpaint/fast/FastInpainting.h"
#include "inpaint/reference/ReferenceEngine.h"

namespace {

using EngineFunction = int (*)(inpaint::PictureAccess&, inpaint::PictureAccess&,
                               const inpaint::InpaintOptions&, const inpaint::RunHooks&);

struct Engine {
    const char* name;
    EngineFunction run;
};

// The first engine is the one the others are measured and checked against.
const Engine kEngines[] = {
    {"reference", &inpaint::reference::InpaintPicture},
    {"fast", &inpaint::fast::InpaintPicture},
};

struct Case {
    const char* photo;  // NAME: NAME-stamped.jpg with the box of NAME.json
    int block;
    int border;
    // What the fast engine must reach: at least minRatio times the reference's speed (when the
    // reference runs), at most maxSeconds, at most maxExtraMB of memory above the picture.
    double minRatio = 0.0;
    double maxSeconds = 0.0;
    double maxExtraMB = 0.0;
    int width = 0;  // scale the photo to width x height first (0: as it is)
    int height = 0;
    bool twoMarks = false;  // a second box of the same size in the opposite corner
    bool referenceToo = true;
    const char* label = "";
};

const Case kCases[] = {
    {"bridge", 4, 10, 10.0},
    {"bridge", 4, 50, 30.0},
    {"bridge", 16, 100, 30.0},
    {"bridge", 32, 500, 0.0, 10.0, 0.0, 0, 0, false, false, "reference: minutes"},
    {"bridge", 4, 10, 0.0, 30.0, 0.0, 0, 0, true, false, "two marks; reference: hours"},
    {"bridge", 4, 10, 30.0, 0.0, 0.0, 1088, 612, true, true, "two marks"},
    {"bridge", 4, 10, 0.0, 0.0, 200.0, 6528, 3672, false, false, "24 megapixels, memory"},
};

struct Outcome {
    double ms = 0.0;        // wall-clock time
    double cpuMs = 0.0;     // processor time of the whole program (engines may use threads)
    double extraMB = -1.0;  // peak memory of the run above the process's memory before it
    int steps = 0;
    std::vector<std::uint32_t> pixels;
    QString error;
};

QString PhotoFolder() {
    const QString env = qEnvironmentVariable("BRISVANE_PHOTOS");
    return env.isEmpty() ? QStringLiteral(BRISVANE_DEFAULT_PHOTOS) : env;
}

// The stamped photo (scaled to the case's size) with its imprint's box painted in the marker
// colour, and with the same box in the opposite corner when the case asks for two marks.
std::optional<inpaint::MemoryPicture> MarkedPhoto(const Case& c, QString& error) {
    const QString name = QLatin1String(c.photo);
    const QString folder = PhotoFolder();
    QImageReader reader(folder + QLatin1Char('/') + name + QStringLiteral("-stamped.jpg"));
    QImage image = reader.read();
    const int originalWidth = image.width(), originalHeight = image.height();
    if (!image.isNull() && c.width > 0)
        image = image.scaled(c.width, c.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_RGB32);
    QFile json(folder + QLatin1Char('/') + name + QStringLiteral(".json"));
    if (image.isNull() || !json.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1 from %2").arg(name, folder);
        return std::nullopt;
    }
    const QJsonArray box = QJsonDocument::fromJson(json.readAll())
                               .object()
                               .value("stamp_box_x0_y0_x1_y1_exclusive")
                               .toArray();
    if (box.size() != 4) {
        error = QStringLiteral("no box in %1.json").arg(name);
        return std::nullopt;
    }
    inpaint::MemoryPicture picture(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) picture.At(x, y) = line[x];
    }
    const double sx = static_cast<double>(image.width()) / originalWidth;
    const double sy = static_cast<double>(image.height()) / originalHeight;
    const int x0 = static_cast<int>(std::floor(box[0].toInt() * sx)),
              y0 = static_cast<int>(std::floor(box[1].toInt() * sy));
    const int x1 = static_cast<int>(std::ceil(box[2].toInt() * sx)),
              y1 = static_cast<int>(std::ceil(box[3].toInt() * sy));
    picture.FillRect(x0, y0, x1 - x0, y1 - y0, inpaint::kOpaqueMarkerPixel);
    if (c.twoMarks)
        picture.FillRect(image.width() - x1, image.height() - y1, x1 - x0, y1 - y0,
                         inpaint::kOpaqueMarkerPixel);
    return picture;
}

// Resident and peak resident memory of this process in MB (10^6 bytes), from /proc (Linux);
// -1 elsewhere.
double StatusMB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(std::string(key).size())) * 1024.0 / 1e6;
    }
    return -1.0;
}

// Starts a new peak: memory freed earlier goes back to the system (so that the run cannot reuse
// it unseen), and the kernel's peak resident size is set back to the current size.
bool ResetPeakMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

Outcome RunOnce(const Engine& engine, const inpaint::MemoryPicture& marked, const Case& c) {
    inpaint::MemoryPicture picture = marked;
    Outcome o;
    const double before = ResetPeakMemory() ? StatusMB("VmRSS:") : -1.0;
    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    try {
        inpaint::InpaintOptions options;
        options.blockRadius = c.block;
        options.scanBorder = c.border;
        o.steps = engine.run(picture, picture, options, {});
    } catch (const inpaint::InpaintError& e) {
        o.error = QString::fromStdString(e.what());
    }
    o.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    o.cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    if (before >= 0.0) o.extraMB = StatusMB("VmHWM:") - before;
    o.pixels = picture.Pixels();
    return o;
}

QString CaseName(const Case& c) {
    QString name = QStringLiteral("%1 block %2 border %3")
                       .arg(QLatin1String(c.photo))
                       .arg(c.block)
                       .arg(c.border);
    if (c.width > 0) name += QStringLiteral(" %1x%2").arg(c.width).arg(c.height);
    if (*c.label) name += QStringLiteral(" (%1)").arg(QLatin1String(c.label));
    return name;
}

// The case's target and whether the fast engine's outcome meets it.
QString TargetVerdict(const Case& c, const Outcome& fast, const std::optional<Outcome>& reference) {
    QStringList parts;
    bool met = fast.error.isEmpty();
    if (c.minRatio > 0.0 && reference) {
        const double ratio = reference->ms / fast.ms;
        parts << QStringLiteral("at least %1x faster: %2x").arg(c.minRatio).arg(ratio, 0, 'f', 1);
        met = met && ratio >= c.minRatio;
    }
    if (c.maxSeconds > 0.0) {
        parts << QStringLiteral("under %1 s: %2 s")
                     .arg(c.maxSeconds)
                     .arg(fast.ms / 1000.0, 0, 'f', 1);
        met = met && fast.ms < c.maxSeconds * 1000.0;
    }
    if (c.maxExtraMB > 0.0) {
        parts << QStringLiteral("under %1 MB above the picture: %2 MB")
                     .arg(c.maxExtraMB)
                     .arg(fast.extraMB, 0, 'f', 0);
        met = met && fast.extraMB >= 0.0 && fast.extraMB < c.maxExtraMB;
    }
    if (parts.isEmpty()) return {};
    return QStringLiteral("  target: %1 -> %2")
        .arg(parts.join(QStringLiteral(", ")),
             met ? QStringLiteral("met") : QStringLiteral("NOT MET"));
}

bool Selected(const Case& c, const QStringList& filters) {
    const QString name = CaseName(c);
    if (filters.isEmpty()) return true;
    for (const QString& f : filters)
        if (name.contains(f)) return true;
    return false;
}

// The processor's name and how many threads can run at once, for the record.
QString MachineText() {
    QString model;
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (model.isEmpty() && std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0)
            model = QString::fromStdString(line.substr(line.find(':') + 2));
    }
    return QStringLiteral("%1 threads%2")
        .arg(QThread::idealThreadCount())
        .arg(model.isEmpty() ? QString() : QStringLiteral(", ") + model);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QImageReader::setAllocationLimit(4096);
    const QStringList filters = QCoreApplication::arguments().mid(1);
    std::printf("machine: %s\n", qPrintable(MachineText()));
    std::printf("%-8s %5s %6s  %-10s %10s %10s %7s %7s %8s %s\n", "photo", "block", "border",
                "engine", "ms", "cpu ms", "steps", "ratio", "extra MB", "pixels");
    int failures = 0;
    for (const Case& c : kCases) {
        if (!Selected(c, filters)) continue;
        std::printf("-- %s\n", qPrintable(CaseName(c)));
        QString error;
        const std::optional<inpaint::MemoryPicture> marked = MarkedPhoto(c, error);
        if (!marked) {
            std::fprintf(stderr, "brisvane-bench: %s\n", qPrintable(error));
            return 2;
        }
        std::optional<Outcome> first;
        std::optional<Outcome> last;
        for (const Engine& engine : kEngines) {
            if (!c.referenceToo && &engine == &kEngines[0]) continue;
            Outcome o = RunOnce(engine, *marked, c);
            const char* pixels = "";
            char ratio[32] = "";
            if (first) {
                const bool same = o.pixels == first->pixels && o.steps == first->steps;
                pixels = same ? "same" : "DIFFERENT";
                failures += same ? 0 : 1;
                std::snprintf(ratio, sizeof ratio, "%.2fx", first->ms / o.ms);
            }
            std::printf("%-8s %5d %6d  %-10s %10.0f %10.0f %7d %7s %8.0f %s%s\n", c.photo, c.block,
                        c.border, engine.name, o.ms, o.cpuMs, o.steps, ratio, o.extraMB, pixels,
                        o.error.isEmpty() ? "" : qPrintable(QStringLiteral("  error: ") + o.error));
            std::fflush(stdout);
            if (!first && c.referenceToo) first = o;
            last = std::move(o);
        }
        const QString verdict = TargetVerdict(c, *last, first);
        if (!verdict.isEmpty()) std::printf("%s\n", qPrintable(verdict));
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
