// brisvane-batch-bench: brisvane-inpaint --out-dir on many copies of one stamped photo against a
// shell loop running brisvane-inpaint once per photo; and the batch's peak memory against one
// photo's run. Wall times are the median of RUNS runs; memory is the peak resident size the
// kernel reports for the process (and what it ran).
//
//   brisvane-batch-bench [PHOTO [COPIES [RUNS]]]
//
// PHOTO defaults to bridge-stamped.jpg in $BRISVANE_PHOTOS (its imprint's box from bridge.json).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "support/SharedPhotos.h"

extern char** environ;

namespace {

struct Run {
    double seconds = 0;
    long peakKb = 0;
    int code = -1;
};

// Runs the program to its end with its output dropped.
Run Measure(const QStringList& command) {
    std::vector<QByteArray> bytes;
    for (const QString& a : command) bytes.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.peakKb = usage.ru_maxrss;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QStringList Copies(const QString& photo, const QString& folder, int count) {
    QDir().mkpath(folder);
    QStringList copies;
    for (int i = 1; i <= count; ++i) {
        const QString copy =
            folder + QStringLiteral("/photo-%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        QFile::copy(photo, copy);
        copies << copy;
    }
    return copies;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (qEnvironmentVariableIsEmpty("BRISVANE_PHOTOS"))
        qputenv("BRISVANE_PHOTOS", BRISVANE_DEFAULT_PHOTOS);
    const QString photo = args.value(1, SharedPhotos::Path(QStringLiteral("bridge-stamped.jpg")));
    const int copies = args.value(2, QStringLiteral("24")).toInt();
    const int runs = std::max(1, args.value(3, QStringLiteral("3")).toInt());
    const QRect box = SharedPhotos::StampBox(QStringLiteral("bridge"));
    if (!QFileInfo(photo).isFile() || box.isEmpty()) {
        std::fprintf(stderr, "brisvane-batch-bench: no photo %s or no box in bridge.json\n",
                     qPrintable(photo));
        return 2;
    }
    const QString tool =
        QCoreApplication::applicationDirPath() + QStringLiteral("/brisvane-inpaint");
    const QString boxText =
        QStringLiteral("%1,%2,%3,%4").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height());
    QTemporaryDir dir;
    const QStringList photos = Copies(photo, dir.filePath(QStringLiteral("in")), copies);
    const QStringList four = photos.mid(0, std::min<qsizetype>(4, photos.size()));

    auto batch = [&](const QStringList& list, const QString& out, const QStringList& extra) {
        QDir(out).removeRecursively();
        return Measure(QStringList{tool, "--box", boxText, "--out-dir", out} + extra + list);
    };
    // The loop as a user would type it in a shell.
    const QString loopOut = dir.filePath(QStringLiteral("loop"));
    QDir().mkpath(loopOut);
    const QString loop =
        QStringLiteral(
            "for f in '%1'/*.jpg; do '%2' --box %3 \"$f\" '%4'/\"$(basename \"$f\")\" "
            "|| exit 1; done")
            .arg(dir.filePath(QStringLiteral("in")), tool, boxText, loopOut);

    std::vector<double> loopTimes, batchTimes;
    long batchPeak = 0;
    for (int r = 0; r < runs; ++r) {
        const Run l = Measure({QStringLiteral("/bin/sh"), QStringLiteral("-c"), loop});
        const Run b = batch(photos, dir.filePath(QStringLiteral("batch")), {});
        if (l.code != 0 || b.code != 0) {
            std::fprintf(stderr, "brisvane-batch-bench: a run failed (loop %d, batch %d)\n", l.code,
                         b.code);
            return 1;
        }
        loopTimes.push_back(l.seconds);
        batchTimes.push_back(b.seconds);
        batchPeak = std::max(batchPeak, b.peakKb);
    }
    int equal = 0;
    for (const QString& p : photos) {
        const QString name = QFileInfo(p).fileName();
        equal += Bytes(loopOut + "/" + name) == Bytes(dir.filePath("batch/" + name)) ? 1 : 0;
    }

    const Run single = Measure({tool, "--box", boxText, photos[0], dir.filePath("single.jpg")});
    const Run jobs2Four = batch(four, dir.filePath("m4"), {"--jobs", "2"});
    const Run jobs2All = batch(photos, dir.filePath("m24"), {"--jobs", "2"});

    const double loopTime = Median(loopTimes), batchTime = Median(batchTimes);
    std::printf("photo: %s, %d copies, %d core(s), median of %d runs\n",
                qPrintable(QFileInfo(photo).fileName()), copies,
                std::max(1, QThread::idealThreadCount()), runs);
    std::printf("shell loop of single runs: %.2f s\n", loopTime);
    std::printf("batch (--jobs default):    %.2f s  ratio %.2f (target at most 0.60)\n", batchTime,
                batchTime / loopTime);
    std::printf("results equal to the loop's, byte for byte: %d of %d\n", equal, copies);
    std::printf("peak memory, one photo's run:        %6ld MB\n", single.peakKb / 1024);
    std::printf("peak memory, --jobs 2, %2d photos:    %6ld MB  ratio %.2f (target at most 2.5)\n",
                int(four.size()), jobs2Four.peakKb / 1024,
                double(jobs2Four.peakKb) / single.peakKb);
    std::printf(
        "peak memory, --jobs 2, %2d photos:    %6ld MB  ratio %.2f; %d vs %d photos: %.2f "
        "(target within 10 %%)\n",
        copies, jobs2All.peakKb / 1024, double(jobs2All.peakKb) / single.peakKb, copies,
        int(four.size()), double(jobs2All.peakKb) / jobs2Four.peakKb);
    std::printf("peak memory of the default batch above: %ld MB\n", batchPeak / 1024);
    return equal == copies ? 0 : 1;
}
