// brisvane-quality-bench: how well each fill restores the imprint's box of the shared photos.
//
//   brisvane-quality-bench [--sheet FILE] [--repeat N] [NAME...]
//
// For each photo NAME (all six without names) the box of NAME.json is painted in pure green over
// NAME-stamped.jpg and filled by the exact fill (Block Size 4, Scan Border 10), by the finer fill
// (the same settings) and by OpenCV's Telea method (bench/telea.py, Debian's python3-opencv);
// each result is scored against NAME.jpg inside the box by bench/QualityMetrics. Prints one
// table row per photo and method, the means, each target and whether it was met, and the time
// of the finer fill against the exact one on the bridge photo, measured in turns N times (default
// 5). Writes a contact sheet (clean, stamped, exact, finer, Telea; the box enlarged) to FILE
// (default quality-sheet.png).
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "bench/QualityMetrics.h"
#include "inpaint/Inpainting.h"
#include "inpaint/MemoryPicture.h"
#include "inpaint/fine/FineFill.h"

namespace {

using bench::Box;
using bench::Pixels;
using bench::Quality;

constexpr int kBlockRadius = 4;
constexpr int kScanBorder = 10;
constexpr const char* kPhotos[] = {"astronaut", "bridge", "coffee", "dune", "friends", "path"};
constexpr const char* kTimedPhoto = "bridge";
constexpr const char* kPython = "/usr/bin/python3";  // Debian's, where python3-opencv lives

enum Method { kExact, kFiner, kTelea, kMethods };
constexpr const char* kMethodNames[kMethods] = {"exact", "finer", "Telea"};

struct Photo {
    QString name;
    Pixels clean;
    Pixels stamped;
    Pixels marked;
    Box box;
};

struct Result {
    Pixels pixels;
    double ms = 0.0;
    QString error;
    Quality quality;
};

QString PhotoFolder() {
    const QString env = qEnvironmentVariable("BRISVANE_PHOTOS");
    return env.isEmpty() ? QStringLiteral(BRISVANE_DEFAULT_PHOTOS) : env;
}

std::optional<Pixels> ReadPixels(const QString& path) {
    QImageReader reader(path);
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    Pixels p{image.width(), image.height(), {}};
    p.data.resize(static_cast<std::size_t>(p.width) * p.height);
    for (int y = 0; y < p.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::copy(line, line + p.width, p.data.begin() + static_cast<std::ptrdiff_t>(y) * p.width);
    }
    return p;
}

QImage ImageOf(const Pixels& p) {
    QImage image(p.width, p.height, QImage::Format_RGB32);
    for (int y = 0; y < p.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < p.width; ++x) line[x] = 0xff000000u | p.At(x, y);
    }
    return image;
}

std::optional<Photo> LoadPhoto(const QString& name, QString& error) {
    const QString base = PhotoFolder() + QLatin1Char('/') + name;
    Photo photo;
    photo.name = name;
    const auto clean = ReadPixels(base + QStringLiteral(".jpg"));
    const auto stamped = ReadPixels(base + QStringLiteral("-stamped.jpg"));
    QFile json(base + QStringLiteral(".json"));
    if (!clean || !stamped || !json.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1 from %2").arg(name, PhotoFolder());
        return std::nullopt;
    }
    const QJsonArray box = QJsonDocument::fromJson(json.readAll())
                               .object()
                               .value("stamp_box_x0_y0_x1_y1_exclusive")
                               .toArray();
    if (box.size() != 4 || clean->width != stamped->width || clean->height != stamped->height) {
        error = QStringLiteral("no box in %1.json, or the photos differ in size").arg(name);
        return std::nullopt;
    }
    photo.clean = *clean;
    photo.stamped = *stamped;
    photo.box = {box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt()};
    photo.marked = photo.stamped;
    for (int y = photo.box.y0; y < photo.box.y1; ++y)
        for (int x = photo.box.x0; x < photo.box.x1; ++x)
            photo.marked.data[static_cast<std::size_t>(y) * photo.marked.width + x] = 0xff00ff00u;
    return photo;
}

Result RunEngine(const Photo& photo, Method method) {
    inpaint::MemoryPicture picture(photo.marked.width, photo.marked.height, photo.marked.data);
    Result result;
    const auto start = std::chrono::steady_clock::now();
    try {
        if (method == kExact) {
            inpaint::InpaintOptions options;
            options.blockRadius = kBlockRadius;
            options.scanBorder = kScanBorder;
            inpaint::InpaintPicture(picture, picture, options);
        } else {
            inpaint::fine::FineOptions options;
            options.scanBorder = kScanBorder;
            inpaint::fine::InpaintPicture(picture, picture, options);
        }
    } catch (const inpaint::InpaintError& e) {
        result.error = QString::fromStdString(e.what());
    }
    result.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    result.pixels = {picture.Width(), picture.Height(), picture.Pixels()};
    return result;
}

Result RunTelea(const Photo& photo) {
    Result result;
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("marked.png"));
    const QString out = dir.filePath(QStringLiteral("telea.png"));
    if (!dir.isValid() || !ImageOf(photo.marked).save(in)) {
        result.error = QStringLiteral("cannot write the marked photo for Telea");
        return result;
    }
    QProcess python;
    const auto start = std::chrono::steady_clock::now();
    python.start(QString::fromLatin1(kPython),
                 {QStringLiteral(BRISVANE_BENCH_DIR "/telea.py"), in, out});
    const bool ran = python.waitForFinished(600000) &&
                     python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
    result.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const auto pixels = ran ? ReadPixels(out) : std::nullopt;
    if (!pixels) {
        result.error = QStringLiteral("Telea failed (is python3-opencv installed?): %1")
                           .arg(QString::fromLocal8Bit(python.readAllStandardError()).trimmed());
        return result;
    }
    result.pixels = *pixels;
    return result;
}

// The box with some of its surroundings, scaled to fit a tile.
QImage Tile(const Pixels& p, const Box& box, int tileWidth, int tileHeight) {
    const int margin = std::max(8, std::min(box.x1 - box.x0, box.y1 - box.y0) / 4);
    const QRect crop = QRect(QPoint(box.x0 - margin, box.y0 - margin),
                             QPoint(box.x1 - 1 + margin, box.y1 - 1 + margin))
                           .intersected(QRect(0, 0, p.width, p.height));
    return ImageOf(p).copy(crop).scaled(tileWidth, tileHeight, Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation);
}

// One row per photo, named on the left; each row as high as its tallest tile.
void WriteSheet(const std::vector<Photo>& photos, const std::vector<std::vector<Result>>& results,
                const QString& path) {
    constexpr int kTileW = 300, kTileH = 200, kGap = 6, kLabel = 22, kName = 80, kColumns = 5;
    const char* labels[kColumns] = {"clean", "stamped", "exact", "finer", "Telea"};
    std::vector<std::vector<QImage>> rows;
    int height = kLabel + kGap;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const Photo& photo = photos[i];
        const Pixels* shown[kColumns] = {&photo.clean, &photo.stamped, &results[i][kExact].pixels,
                                         &results[i][kFiner].pixels, &results[i][kTelea].pixels};
        rows.emplace_back();
        int rowHeight = 0;
        for (const Pixels* p : shown) {
            rows.back().push_back(p->data.empty() ? QImage() : Tile(*p, photo.box, kTileW, kTileH));
            rowHeight = std::max(rowHeight, rows.back().back().height());
        }
        height += rowHeight + kGap;
    }
    QImage sheet(kName + kColumns * (kTileW + kGap) + kGap, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int c = 0; c < kColumns; ++c)
        painter.drawText(QRect(kName + kGap + c * (kTileW + kGap), 0, kTileW, kLabel),
                         Qt::AlignCenter, QLatin1String(labels[c]));
    int y = kLabel;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        int rowHeight = 0;
        for (const QImage& tile : rows[i]) rowHeight = std::max(rowHeight, tile.height());
        painter.drawText(QRect(0, y, kName, rowHeight), Qt::AlignCenter, photos[i].name);
        for (int c = 0; c < kColumns; ++c) {
            const QImage& tile = rows[i][static_cast<std::size_t>(c)];
            painter.drawImage(kName + kGap + c * (kTileW + kGap) + (kTileW - tile.width()) / 2,
                              y + (rowHeight - tile.height()) / 2, tile);
        }
        y += rowHeight + kGap;
    }
    painter.end();
    if (!sheet.save(path))
        std::fprintf(stderr, "cannot write the contact sheet %s\n", qPrintable(path));
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// The finer fill's time against the exact fill's on one photo, the two run in turns so that
// both see the same load; the median of the per-turn ratios.
void TimeRatio(const Photo& photo, int repeat, bool& met) {
    std::vector<double> exact, finer, ratios;
    for (int i = 0; i < repeat; ++i) {
        exact.push_back(RunEngine(photo, kExact).ms);
        finer.push_back(RunEngine(photo, kFiner).ms);
        ratios.push_back(finer.back() / exact.back());
    }
    const double ratio = Median(ratios);
    met = ratio <= 3.0;
    std::printf(
        "\ntime on %s, %d turns: exact median %.0f ms, finer median %.0f ms, ratio median "
        "%.2fx (min %.2fx, max %.2fx); target at most 3x -> %s\n",
        qPrintable(photo.name), repeat, Median(exact), Median(finer), ratio,
        *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()), met ? "met" : "NOT MET");
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QImageReader::setAllocationLimit(4096);
    QStringList names;
    QString sheetPath = QStringLiteral("quality-sheet.png");
    int repeat = 5;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sheet") && i + 1 < args.size()) {
            sheetPath = args[++i];
        } else if (args[i] == QLatin1String("--repeat") && i + 1 < args.size()) {
            repeat = std::max(args[++i].toInt(), 0);
        } else {
            names << args[i];
        }
    }
    if (names.isEmpty())
        for (const char* name : kPhotos) names << QLatin1String(name);

    std::vector<Photo> photos;
    std::vector<std::vector<Result>> results;
    std::printf(
        "| photo | method | PSNR dB | SSIM | gradient energy | ms |\n|---|---|---|---|---|---|\n");
    for (const QString& name : names) {
        QString error;
        std::optional<Photo> photo = LoadPhoto(name, error);
        if (!photo) {
            std::fprintf(stderr, "brisvane-quality-bench: %s\n", qPrintable(error));
            return 2;
        }
        std::vector<Result> row(kMethods);
        row[kExact] = RunEngine(*photo, kExact);
        row[kFiner] = RunEngine(*photo, kFiner);
        row[kTelea] = RunTelea(*photo);
        for (int m = 0; m < kMethods; ++m) {
            Result& r = row[m];
            if (!r.error.isEmpty()) {
                std::fprintf(stderr, "brisvane-quality-bench: %s, %s: %s\n", qPrintable(name),
                             kMethodNames[m], qPrintable(r.error));
                return 1;
            }
            r.quality = bench::Measure(photo->clean, r.pixels, photo->box);
            std::printf("| %s | %s | %.2f | %.3f | %.2f | %.0f |\n", qPrintable(name),
                        kMethodNames[m], r.quality.psnr, r.quality.ssim, r.quality.gradientRatio,
                        r.ms);
            std::fflush(stdout);
        }
        photos.push_back(std::move(*photo));
        results.push_back(std::move(row));
    }

    double psnr[kMethods] = {}, ssim[kMethods] = {};
    std::vector<double> energy[kMethods];
    for (const auto& row : results) {
        for (int m = 0; m < kMethods; ++m) {
            psnr[m] += row[m].quality.psnr / results.size();
            ssim[m] += row[m].quality.ssim / results.size();
            energy[m].push_back(row[m].quality.gradientRatio);
        }
    }
    for (int m = 0; m < kMethods; ++m)
        std::printf("| mean | %s | %.2f | %.3f | %.2f (median) | |\n", kMethodNames[m], psnr[m],
                    ssim[m], Median(energy[m]));

    bool met = true;
    const bool psnrMet = psnr[kFiner] >= std::max(psnr[kExact], psnr[kTelea]);
    const bool ssimMet = ssim[kFiner] >= ssim[kExact] + 0.03;
    const bool energyMet = std::all_of(energy[kFiner].begin(), energy[kFiner].end(),
                                       [](double e) { return e >= 0.7 && e <= 1.3; });
    std::printf("\ntarget: mean PSNR at least exact's and Telea's: %.2f dB -> %s\n", psnr[kFiner],
                psnrMet ? "met" : "NOT MET");
    std::printf("target: mean SSIM at least exact's + 0.03 (%.3f): %.3f -> %s\n",
                ssim[kExact] + 0.03, ssim[kFiner], ssimMet ? "met" : "NOT MET");
    std::printf("target: gradient energy 0.7 .. 1.3 on every photo -> %s\n",
                energyMet ? "met" : "NOT MET");
    met = psnrMet && ssimMet && energyMet;
    for (const Photo& photo : photos) {
        if (photo.name == QLatin1String(kTimedPhoto) && repeat > 0) {
            bool timeMet = false;
            TimeRatio(photo, repeat, timeMet);
            met = met && timeMet;
        }
    }
    WriteSheet(photos, results, sheetPath);
    std::printf("contact sheet: %s\n", qPrintable(QDir(sheetPath).absolutePath()));
    return met ? 0 : 1;
}
