#include "tools/ToolOptions.h"

#include <QFileInfo>

namespace tool {

const char* const kUsage =
    "usage: brisvane-inpaint [--block N] [--border N] [--mask FILE] [--box X,Y,W,H]... [--auto] "
    "[--trace] [--fine] [--times] [--] IN OUT; or: brisvane-inpaint [--block N] [--border N] "
    "[--box X,Y,W,H]... [--mask FILE] [--ref WxH] [--auto] [--fine] --out-dir DIR [--jobs N] [--] "
    "PHOTO...; or: brisvane-inpaint --find [--] PHOTO";

namespace {

constexpr int kMaxJobs = 256;  // more than any machine's cores; each job holds one picture

int NumberIn(const QString& option, const QString& text, int low, int high) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        throw Usage(QStringLiteral("%1 takes a number from %2 to %3, not \"%4\"")
                        .arg(option)
                        .arg(low)
                        .arg(high)
                        .arg(text));
    return n;
}

QRect BoxFrom(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok = parts.size() == 4;
    int v[4] = {0, 0, 0, 0};
    for (int i = 0; ok && i < 4; ++i) v[i] = parts[i].trimmed().toInt(&ok);
    if (!ok || v[0] < 0 || v[1] < 0 || v[2] < 1 || v[3] < 1)
        throw Usage(
            QStringLiteral("--box takes X,Y,W,H with X, Y from 0 and W, H from 1, not \"%1\"")
                .arg(text));
    return QRect(v[0], v[1], v[2], v[3]);
}

QSize SizeFrom(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('x'));
    bool ok = parts.size() == 2;
    int v[2] = {0, 0};
    for (int i = 0; ok && i < 2; ++i) v[i] = parts[i].trimmed().toInt(&ok);
    if (!ok || v[0] < 1 || v[1] < 1)
        throw Usage(QStringLiteral("--ref takes WxH with W, H from 1, not \"%1\"").arg(text));
    return QSize(v[0], v[1]);
}

QByteArray FormatFor(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("png")) return "png";
    if (ext == QLatin1String("bmp")) return "bmp";
    if (ext == QLatin1String("ppm")) return "ppm";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) return "jpeg";
    if (ext == QLatin1String("gif")) return "gif";
    throw Usage(QStringLiteral("cannot write \"%1\": the name must end in .png, .bmp, .ppm, .jpg, "
                               ".jpeg or .gif")
                    .arg(path));
}

Options FindFrom(Options o, const QStringList& files) {
    if (o.Batch() || o.autoFind || !o.boxes.isEmpty() || !o.mask.isEmpty() || o.trace || o.times)
        throw Usage(QStringLiteral("--find only prints what it finds; it takes no marks and no "
                                   "other run; %1")
                        .arg(QLatin1String(kUsage)));
    if (files.size() != 1)
        throw Usage(QStringLiteral("--find takes one PHOTO; %1").arg(QLatin1String(kUsage)));
    o.in = files[0];
    return o;
}

Options BatchFrom(Options o, const QStringList& photos) {
    if (photos.isEmpty())
        throw Usage(
            QStringLiteral("--out-dir needs at least one PHOTO; %1").arg(QLatin1String(kUsage)));
    if (o.trace || o.times)
        throw Usage(QStringLiteral("--trace and --times run on one picture, not with --out-dir"));
    o.photos = photos;
    return o;
}

}  // namespace

Failure Usage(const QString& message) {
    return {kExitUsage, message};
}

QRect BoxInside(const QRect& box, QSize size, const QString& picture) {
    const QRect inside = box.intersected(QRect(QPoint(0, 0), size));
    if (inside.isEmpty())
        throw Usage(QStringLiteral("box %1,%2,%3,%4 lies outside the %5x%6 %7")
                        .arg(box.x())
                        .arg(box.y())
                        .arg(box.width())
                        .arg(box.height())
                        .arg(size.width())
                        .arg(size.height())
                        .arg(picture));
    return inside;
}

Options Parse(const QStringList& args) {
    Options o;
    QStringList files;
    bool optionsEnded = false;  // after "--" every argument is a file, even "--box.jpg"
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded) {
            files.append(a);
            continue;
        }
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) throw Usage(QStringLiteral("%1 needs a value").arg(a));
            return args[++i];
        };
        if (a == QLatin1String("--block"))
            o.block = NumberIn(a, value(), 2, 32);
        else if (a == QLatin1String("--border"))
            o.border = NumberIn(a, value(), 10, 500);
        else if (a == QLatin1String("--mask"))
            o.mask = value();
        else if (a == QLatin1String("--box"))
            o.boxes.append(BoxFrom(value()));
        else if (a == QLatin1String("--trace"))
            o.trace = true;
        else if (a == QLatin1String("--fine"))
            o.fine = true;
        else if (a == QLatin1String("--out-dir"))
            o.outDir = value();
        else if (a == QLatin1String("--ref"))
            o.ref = SizeFrom(value());
        else if (a == QLatin1String("--jobs"))
            o.jobs = NumberIn(a, value(), 1, kMaxJobs);
        else if (a == QLatin1String("--times"))
            o.times = true;
        else if (a == QLatin1String("--find"))
            o.find = true;
        else if (a == QLatin1String("--auto"))
            o.autoFind = true;
        else if (a == QLatin1String("--"))
            optionsEnded = true;
        else if (a.startsWith(QLatin1String("--")))
            throw Usage(QStringLiteral("unknown option \"%1\"; %2").arg(a, QLatin1String(kUsage)));
        else
            files.append(a);
    }
    if (o.fine && o.trace)
        throw Usage(
            QStringLiteral("--trace prints the exact fill's steps; the finer fill has none"));
    if (o.find) return FindFrom(o, files);
    if (o.Batch()) return BatchFrom(o, files);
    if (o.ref.isValid() || o.jobs != 0)
        throw Usage(
            QStringLiteral("--ref and --jobs go with --out-dir; %1").arg(QLatin1String(kUsage)));
    if (files.size() != 2)
        throw Usage(QStringLiteral("expected IN and OUT; %1").arg(QLatin1String(kUsage)));
    o.in = files[0];
    o.out = files[1];
    o.outFormat = FormatFor(o.out);
    return o;
}

}  // namespace tool
