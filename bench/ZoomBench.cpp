// brisvane-zoom-bench: redrawing a 24-megapixel photo at every zoom, and live display at zooms.
//
//   brisvane-zoom-bench
//
// The bridge photo scaled up to 6000 x 4000 in a 1600 x 1000 view: for each zoom of a sweep
// (fit, 25 %, 50 %, 100 %, 200 %, 400 %, 800 %) the view is scrolled to three places and the
// visible part redrawn; prints each frame's time and the median (target: at most 16 ms). Then
// fills the imprint's box with the engine alone and with live display into the picture box at
// several zooms, and prints the ratios (target: at most 1.5). Offscreen unless a display is set.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "editor/PictureBoxAccess.h"
#include "inpaint/Inpainting.h"
#include "inpaint/MarkerColor.h"
#include "inpaint/MemoryPicture.h"
#include "platform/PictureBox.h"
#include "platform/ViewMapping.h"

namespace {
constexpr QSize kView(1600, 1000);
constexpr QSize kPhoto(6000, 4000);

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Redraws the part of the box the view shows with the box scrolled by `offset`.
double FrameMs(PictureBox& box, QPoint offset) {
    const QRect visible = QRect(offset, kView).intersected(box.rect());
    QImage frame(kView, QImage::Format_RGB32);
    QElapsedTimer timer;
    timer.start();
    box.render(&frame, QPoint(), QRegion(visible));
    return double(timer.nsecsElapsed()) / 1e6;
}

QRect ImprintBox(const QString& folder) {
    QFile json(folder + QStringLiteral("/bridge.json"));
    if (!json.open(QIODevice::ReadOnly)) return {};
    const QJsonArray b = QJsonDocument::fromJson(json.readAll())
                             .object()
                             .value("stamp_box_x0_y0_x1_y1_exclusive")
                             .toArray();
    return QRect(QPoint(b[0].toInt(), b[1].toInt()), QPoint(b[2].toInt() - 1, b[3].toInt() - 1));
}

double FillMs(inpaint::PictureAccess& picture, bool live) {
    inpaint::InpaintOptions options;
    options.liveDisplay = live;
    inpaint::RunHooks hooks;
    if (live) hooks.yield = [] { QApplication::processEvents(); };
    QElapsedTimer timer;
    timer.start();
    inpaint::InpaintPicture(picture, picture, options, hooks);
    QApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e6;
}
}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(4096);
    const QString env = qEnvironmentVariable("BRISVANE_PHOTOS");
    const QString folder = env.isEmpty() ? QStringLiteral(BRISVANE_DEFAULT_PHOTOS) : env;
    const QImage bridge = QImageReader(folder + QStringLiteral("/bridge-stamped.jpg")).read();
    const QRect imprint = ImprintBox(folder);
    if (bridge.isNull() || imprint.isEmpty()) {
        std::fprintf(stderr, "brisvane-zoom-bench: cannot read the bridge photo from %s\n",
                     qPrintable(folder));
        return 2;
    }

    PictureBox box;
    box.SetPicture(bridge.scaled(kPhoto, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const double fit = ViewMapping::FitZoom(kPhoto, kView);
    std::vector<double> frames;
    std::printf("24 MP photo in a %dx%d view, one frame per zoom and place:\n", kView.width(),
                kView.height());
    for (double zoom : {fit, 0.25, 0.5, 1.0, 2.0, 4.0, 8.0}) {
        QElapsedTimer timer;
        timer.start();
        box.SetZoom(zoom);
        const double setMs = double(timer.nsecsElapsed()) / 1e6;
        std::printf("  %5.1f %% (zoom change %.1f ms):", zoom * 100, setMs);
        const QSize room = box.size() - kView;
        for (QPoint at : {QPoint(0, 0), QPoint(room.width() / 2, room.height() / 2),
                          QPoint(room.width(), room.height())}) {
            const double ms = FrameMs(box, QPoint(std::max(0, at.x()), std::max(0, at.y())));
            frames.push_back(ms);
            std::printf(" %.1f", ms);
        }
        std::printf(" ms\n");
    }
    const double median = Median(frames);
    std::printf("median frame %.1f ms; target at most 16 ms -> %s\n", median,
                median <= 16 ? "met" : "NOT MET");

    // Live display: the imprint of the bridge photo at its own size, the view on the marks.
    std::vector<std::uint32_t> marked(std::size_t(bridge.width()) * bridge.height());
    for (int y = 0; y < bridge.height(); ++y)
        for (int x = 0; x < bridge.width(); ++x)
            marked[std::size_t(y) * bridge.width() + x] =
                imprint.contains(x, y) ? inpaint::kMarkerPixel : bridge.pixel(x, y) & 0xFFFFFFu;
    inpaint::MemoryPicture alone(bridge.width(), bridge.height(), marked);
    const double aloneMs = FillMs(alone, false);
    QWidget view;
    view.resize(kView);
    auto* shown = new PictureBox(&view);
    view.show();
    double worst = 0;
    for (double zoom : {ViewMapping::FitZoom(bridge.size(), kView), 0.25, 1.0, 4.0}) {
        shown->SetPicture(bridge);
        shown->SetZoom(zoom);
        PictureBoxAccess access(*shown);
        access.WritePixels(0, 0, bridge.width(), bridge.height(), marked.data(), bridge.width());
        const QPointF centre = shown->Mapping().ToView(QPointF(imprint.center()));
        shown->move(-std::max(0, int(centre.x()) - kView.width() / 2),
                    -std::max(0, int(centre.y()) - kView.height() / 2));
        QApplication::processEvents();
        const double liveMs = FillMs(access, true);
        worst = std::max(worst, liveMs / aloneMs);
        std::printf("live display at %5.1f %%: %.0f ms against %.0f ms alone, ratio %.2f\n",
                    zoom * 100, liveMs, aloneMs, liveMs / aloneMs);
    }
    std::printf("worst live display ratio %.2f; target at most 1.5 -> %s\n", worst,
                worst <= 1.5 ? "met" : "NOT MET");
    return 0;
}
