// brisvane-imprint-bench: the date-imprint finder's figures on a set bench/imprints/make_set.py
// made, and its speed on a 12-megapixel picture.
//
//   brisvane-imprint-bench SET_DIR [--split NAME] [--misses]
//   brisvane-imprint-bench SET_DIR --candidates > CANDIDATES.csv
//   brisvane-imprint-bench --speed [PHOTO]
//
// For each split of SET_DIR/index.csv: recall (a box found covers at least 98 % of the true box
// and overlaps it with IoU >= 0.5), false alarms (any box on a clean photo), and the mean IoU of
// the hits. --candidates prints every row the finder weighs on every photo, with its features, for
// bench/imprints/train_scorer.py. --misses lists the stamped photos missed and the clean photos
// boxed. --speed decodes PHOTO (the bridge sample by default), scales it to 4000 x 3000 and times
// the finder: median of 5.
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/FoundImprints.h"
#include "detect/Candidates.h"

namespace {

struct Figures {
    int stamped = 0, found = 0, clean = 0, falseAlarms = 0;
    double iouSum = 0;
};

struct Photo {
    QString name, split;
    bool stamped = false;
    QRect truth;
};

double Area(const QRect& r) {
    return r.isEmpty() ? 0.0 : double(r.width()) * r.height();
}

double IoU(const QRect& a, const QRect& b) {
    const double common = Area(a.intersected(b));
    return common / (Area(a) + Area(b) - common);
}

bool Hits(const QRect& box, const QRect& truth) {
    return Area(box.intersected(truth)) >= 0.98 * Area(truth) && IoU(box, truth) >= 0.5;
}

std::vector<Photo> ReadIndex(const QString& dir) {
    QFile file(dir + QStringLiteral("/index.csv"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QTextStream in(&file);
    const QStringList head = in.readLine().split(QLatin1Char(','));
    const auto at = [&](const QStringList& cells, const char* column) {
        return cells.value(head.indexOf(QLatin1String(column)));
    };
    std::vector<Photo> photos;
    while (!in.atEnd()) {
        const QStringList cells = in.readLine().split(QLatin1Char(','));
        if (cells.size() < head.size()) continue;
        Photo p{at(cells, "name"), at(cells, "split"), at(cells, "stamped") == QLatin1String("1"),
                QRect()};
        if (p.stamped)
            p.truth = QRect(at(cells, "x").toInt(), at(cells, "y").toInt(), at(cells, "w").toInt(),
                            at(cells, "h").toInt());
        photos.push_back(p);
    }
    return photos;
}

QImage ReadUpright(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

// Scores one photo into `f`; returns what --misses prints for it, or an empty string.
QString Score(const Photo& p, const QList<QRect>& boxes, Figures& f) {
    if (!p.stamped) {
        ++f.clean;
        if (boxes.isEmpty()) return {};
        ++f.falseAlarms;
        return QStringLiteral("false alarm %1").arg(p.name);
    }
    ++f.stamped;
    for (const QRect& box : boxes)
        if (Hits(box, p.truth)) {
            ++f.found;
            f.iouSum += IoU(box, p.truth);
            return {};
        }
    double best = 0;
    for (const QRect& box : boxes) best = std::max(best, IoU(box, p.truth));
    return QStringLiteral("missed %1 (best IoU %2)").arg(p.name).arg(best, 0, 'f', 2);
}

int RunSet(const QString& dir, const QString& onlySplit, bool misses) {
    const std::vector<Photo> photos = ReadIndex(dir);
    if (photos.empty()) {
        std::fprintf(stderr, "no photos listed in %s/index.csv\n", qPrintable(dir));
        return 2;
    }
    QMap<QString, Figures> splits;
    for (const Photo& p : photos) {
        if (!onlySplit.isEmpty() && p.split != onlySplit) continue;
        const QString note = Score(
            p, FindImprintBoxes(ReadUpright(dir + QLatin1Char('/') + p.name), detect::FindImprints),
            splits[p.split]);
        if (misses && !note.isEmpty()) std::printf("%s\n", qPrintable(note));
    }
    for (auto s = splits.cbegin(); s != splits.cend(); ++s) {
        const Figures& f = s.value();
        std::printf("%-9s recall %.3f (%d of %d)  false alarms %d of %d  mean IoU %.3f\n",
                    qPrintable(s.key()), f.stamped ? double(f.found) / f.stamped : 0.0, f.found,
                    f.stamped, f.falseAlarms, f.clean, f.found ? f.iouSum / f.found : 0.0);
    }
    return 0;
}

detect::PictureView ViewOf(const QImage& image) {
    return {image.width(), image.height(),
            reinterpret_cast<const std::uint32_t*>(image.constBits()), image.bytesPerLine() / 4};
}

int RunCandidates(const QString& dir) {
    std::printf("name,split,stamped,tx,ty,tw,th,pw,ph,factor,sx,sy,sw,sh,dh,score,bx,by,bw,bh");
    for (const char* feature : detect::kRowFeatureNames) std::printf(",%s", feature);
    std::printf("\n");
    for (const Photo& p : ReadIndex(dir)) {
        const QImage image =
            ReadUpright(dir + QLatin1Char('/') + p.name).convertToFormat(QImage::Format_RGB32);
        const int factor =
            std::max(1, (std::min(image.width(), image.height()) + detect::kLargestShortSide - 1) /
                            detect::kLargestShortSide);
        const QString head = QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
                                 .arg(p.name, p.split, QLatin1String(p.stamped ? "1" : "0"))
                                 .arg(p.truth.x())
                                 .arg(p.truth.y())
                                 .arg(p.truth.width())
                                 .arg(p.truth.height())
                                 .arg(image.width())
                                 .arg(image.height())
                                 .arg(factor);
        const std::vector<detect::Candidate> rows = detect::FindCandidates(ViewOf(image), 1 << 20);
        if (rows.empty()) std::printf("%s,,,,,,,,,,\n", qPrintable(head));
        for (const detect::Candidate& c : rows) {
            std::printf("%s,%d,%d,%d,%d,%.2f,%.4f,%d,%d,%d,%d", qPrintable(head), c.row.strokes.x,
                        c.row.strokes.y, c.row.strokes.width, c.row.strokes.height,
                        c.row.digitHeight, c.score, c.box.x, c.box.y, c.box.width, c.box.height);
            for (const double x : c.features) std::printf(",%.5f", x);
            std::printf("\n");
        }
    }
    return 0;
}

int RunSpeed(const QString& photo) {
    const QImage decoded = ReadUpright(photo);
    if (decoded.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(photo));
        return 2;
    }
    const QImage picture =
        decoded.scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    std::vector<qint64> times;
    QList<QRect> boxes;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        boxes = FindImprintBoxes(picture, detect::FindImprints);
        times.push_back(clock.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    std::printf("find on 4000x3000 (12 MP): median of 5 %.1f ms, fastest %.1f ms, %lld boxes\n",
                times[2] / 1e6, times[0] / 1e6, static_cast<long long>(boxes.size()));
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.value(0) == QLatin1String("--speed"))
        return RunSpeed(
            args.value(1, QStringLiteral(BRISVANE_DEFAULT_PHOTOS "/bridge-stamped.jpg")));
    const int split = args.indexOf(QLatin1String("--split"));
    if (args.isEmpty() || args[0].startsWith(QLatin1String("--"))) {
        std::fprintf(stderr,
                     "usage: brisvane-imprint-bench SET_DIR [--split NAME] [--misses]; or: "
                     "brisvane-imprint-bench --speed [PHOTO]\n");
        return 2;
    }
    if (args.contains(QLatin1String("--candidates"))) return RunCandidates(args[0]);
    return RunSet(args[0], split > 0 ? args.value(split + 1) : QString(),
                  args.contains(QLatin1String("--misses")));
}
