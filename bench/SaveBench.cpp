// brisvane-save-bench: times the save step for a 12-megapixel photo saved as JPEG beside its
// source, from the click until the result is in place (the next picture is not loaded). The
// picture saved is the photo as loaded with a 600 x 120 area changed, as after a removal, so the
// save keeps the photo's other blocks.
//
//   brisvane-save-bench [PHOTO] [RUNS]
//
// PHOTO defaults to bridge-stamped.jpg in $BRISVANE_PHOTOS; it is scaled to 4000 x 3000.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "filelist/FileList.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "output/StepHost.h"
#include "picture/PictureFile.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"

#include <QRadioButton>

namespace {

class BenchHost : public StepHost {
public:
    FileList list;
    int current = 1;
    QImage image;
    int ItemCount() const override { return list.Count(); }
    QString ItemText(int position) const override { return list.Item(position); }
    int& CurrentFile() override { return current; }
    QImage PersistentImage() const override { return image; }
    void LoadNewPicture(const QString&) override {}  // the next picture is not part of the figure
    void SetBusyPointer(bool) override {}
    void ShowListWindow() override {}
    bool RemovalRunning() const override { return false; }
    bool HasUnremovedMarks() const override { return false; }
};

QImage TwelveMegapixels(const QString& photo) {
    QImage source(photo);
    if (source.isNull()) {  // no sample photo: a synthetic one
        source = QImage(400, 300, QImage::Format_RGB32);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                source.setPixel(x, y, qRgb(x * 255 / 400, y * 255 / 300, (x * y) % 256));
    }
    return source.scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString photo =
        args.size() > 1
            ? args[1]
            : qEnvironmentVariable("BRISVANE_PHOTOS", QStringLiteral(BRISVANE_DEFAULT_PHOTOS)) +
                  QStringLiteral("/bridge-stamped.jpg");
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;

    QTemporaryDir dir;
    UseSettingsFolder(dir.filePath(QStringLiteral("settings")));
    ScriptedDialogs dialogs;
    BenchHost host;
    host.image = TwelveMegapixels(photo);
    const QString source = dir.filePath(QStringLiteral("IMG_0001.JPG"));
    if (!host.image.save(source, "JPEG", 95)) {
        std::fprintf(stderr, "cannot write the source photo\n");
        return 1;
    }
    host.image = ReadPicture(source).image.convertToFormat(QImage::Format_RGB32);
    for (int y = 2800; y < 2920; ++y)
        for (int x = 3300; x < 3900; ++x) host.image.setPixel(x, y, qRgb(x % 256, y % 256, 90));
    host.list.Append(source);
    host.list.Append(source);
    SaveOptionFrame options;
    options.RestoreFromSettings();
    options.Option4->click();  // beside the source: the photo is replaced
    SaveSteps steps(host, options);

    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        host.current = 1;
        QElapsedTimer clock;
        clock.start();
        steps.PushButton5_Click();
        ms.push_back(clock.nsecsElapsed() / 1e6);
        if (!dialogs.Messages().isEmpty() || host.current != 2) {
            std::fprintf(stderr, "the save failed: %s\n",
                         qPrintable(dialogs.Messages().join(QLatin1Char('\n'))));
            return 1;
        }
    }
    std::printf("save step, %dx%d photo as JPEG:", host.image.width(), host.image.height());
    for (double m : ms) std::printf(" %.0f", m);
    std::sort(ms.begin(), ms.end());
    std::printf(" ms; median %.0f ms\n", ms[ms.size() / 2]);
    return 0;
}
