// brisvane-live-bench: what live display costs in the desktop program.
//
//   brisvane-live-bench [BLOCK BORDER]      (defaults 4 10)
//
// Marks the imprint's box of the bridge photo in a picture box shown in a scroll area scrolled
// to the marks, and fills it once with the engine alone (an in-memory picture, no live display)
// and once as "Start Removing" does with live display on: written into the picture box after
// every step, redrawn, pending window events run after every sub-step. Prints both times and
// their ratio (target: at most 1.5). Without a display it runs on the offscreen platform.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScrollArea>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "editor/PictureBoxAccess.h"
#include "inpaint/Inpainting.h"
#include "inpaint/MemoryPicture.h"
#include "platform/PictureBox.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(4096);
    const int block = argc > 2 ? std::atoi(argv[1]) : 4;
    const int border = argc > 2 ? std::atoi(argv[2]) : 10;
    const QString env = qEnvironmentVariable("BRISVANE_PHOTOS");
    const QString folder = env.isEmpty() ? QStringLiteral(BRISVANE_DEFAULT_PHOTOS) : env;
    const QImage photo = QImageReader(folder + QStringLiteral("/bridge-stamped.jpg")).read();
    QFile json(folder + QStringLiteral("/bridge.json"));
    if (photo.isNull() || !json.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "brisvane-live-bench: cannot read the bridge photo from %s\n",
                     qPrintable(folder));
        return 2;
    }
    const QJsonArray box = QJsonDocument::fromJson(json.readAll())
                               .object()
                               .value("stamp_box_x0_y0_x1_y1_exclusive")
                               .toArray();
    const int x0 = box[0].toInt(), y0 = box[1].toInt(), w = box[2].toInt() - x0,
              h = box[3].toInt() - y0;
    const std::vector<std::uint32_t> green(static_cast<std::size_t>(w) * h, inpaint::kMarkerPixel);

    QScrollArea view;
    auto* picture = new PictureBox;
    picture->SetPicture(photo);
    picture->WritePixels(x0, y0, w, h, green.data(), w);
    view.setWidget(picture);
    view.resize(1200, 800);
    view.show();
    view.ensureVisible(x0 + w / 2, y0 + h / 2, w, h);
    QApplication::processEvents();

    PictureBoxAccess access(*picture);
    std::vector<std::uint32_t> marked(static_cast<std::size_t>(photo.width()) * photo.height());
    access.ReadPixels(marked.data());
    inpaint::MemoryPicture memory(photo.width(), photo.height(), std::move(marked));
    QElapsedTimer timer;
    timer.start();
    inpaint::InpaintOptions options;
    options.blockRadius = block;
    options.scanBorder = border;
    const int engineSteps = inpaint::InpaintPicture(memory, memory, options);
    const double engineMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    inpaint::RunHooks hooks;
    hooks.yield = [] { QApplication::processEvents(); };
    options.liveDisplay = true;
    timer.restart();
    const int liveSteps = inpaint::InpaintPicture(access, access, options, hooks);
    QApplication::processEvents();
    const double liveMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    const double ratio = liveMs / engineMs;
    std::printf(
        "bridge block %d border %d: engine alone %.0f ms (%d steps), Start Removing with live "
        "display "
        "%.0f ms (%d steps), ratio %.2f; target at most 1.5 -> %s\n",
        block, border, engineMs, engineSteps, liveMs, liveSteps, ratio,
        ratio <= 1.5 ? "met" : "NOT MET");
    return 0;
}
