#include "tools/BatchRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "inpaint/Inpainting.h"
#include "inpaint/MarkerColor.h"
#include "inpaint/fine/FineFill.h"
#include "output/OutputNaming.h"
#include "picture/FileNames.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"

namespace tool {

namespace {

constexpr int kMaskWhiteFrom = 128;  // lightness from which a mask pixel counts as white

// A photo's picture as the engine sees it, held once: a batch keeps no undo copy.
class PhotoPicture : public inpaint::PictureAccess {
public:
    explicit PhotoPicture(QImage& image) : image_(image) {}
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void ReadPixels(std::uint32_t* dst) const override {
        const int w = image_.width();
        for (int y = 0; y < image_.height(); ++y)
            std::copy_n(reinterpret_cast<const std::uint32_t*>(image_.constScanLine(y)), w,
                        dst + static_cast<std::size_t>(y) * static_cast<std::size_t>(w));
    }
    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) override {
        for (int row = 0; row < h; ++row)
            std::copy_n(src + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride), w,
                        reinterpret_cast<std::uint32_t*>(image_.scanLine(y + row)) + x);
    }

private:
    QImage& image_;
};

struct PhotoFailure {
    QString reason;
};

struct NoImprintFound {};

QImage As32Bit(const QImage& image) {
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

QString Canonical(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
}

// The reference: the size the boxes and the mask are given on, upright, and its turn.
struct Reference {
    QSize upright;
    QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone;
};

// A photo's size and turn from its header, without decoding it; invalid when unreadable.
Reference HeaderOf(const QString& photo) {
    QFile file;
    if (!OpenToRead(file, photo).isEmpty()) return {};
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();  // as the file stores it, before the turn
    if (!stored.isValid()) return {};
    const auto turn = reader.transformation();
    return {turn & QImageIOHandler::TransformationRotate90 ? stored.transposed() : stored, turn};
}

Reference ReferenceOf(const Options& o) {
    if (o.ref.isValid()) return {o.ref, QImageIOHandler::TransformationNone};
    for (const QString& photo : o.photos) {
        const Reference header = HeaderOf(photo);
        if (header.upright.isValid()) return header;
    }
    return {};  // no photo can be read: each will say so
}

inpaint::MarkMask UprightReferenceMarks(const Options& o, QSize size) {
    inpaint::MarkMask marks(size.width(), size.height());
    for (const QRect& box : o.boxes) {
        const QRect inside = BoxInside(box, size, QStringLiteral("reference picture"));
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x) marks.At(x, y) = 1;
    }
    if (o.mask.isEmpty()) return marks;
    const PictureRead read = ReadPicture(o.mask);
    if (read.image.isNull())
        throw Usage(QStringLiteral("cannot read mask \"%1\": %2").arg(o.mask, read.problem));
    const QImage mask = read.image.convertToFormat(QImage::Format_RGB32);
    if (mask.size() != size)
        throw Usage(QStringLiteral("mask \"%1\" is %2x%3, the reference picture %4x%5")
                        .arg(o.mask)
                        .arg(mask.width())
                        .arg(mask.height())
                        .arg(size.width())
                        .arg(size.height()));
    for (int y = 0; y < size.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < size.width(); ++x)
            if (qGray(in[x]) >= kMaskWhiteFrom) marks.At(x, y) = 1;
    }
    return marks;
}

void CheckOutDir(const Options& o) {
    const QFileInfo dir(o.outDir);
    if (dir.exists() && !dir.isDir())
        throw Usage(QStringLiteral("--out-dir \"%1\" is a file, not a folder").arg(o.outDir));
    const QString out = Canonical(o.outDir);
    for (const QString& photo : o.photos)
        if (Canonical(QFileInfo(photo).absolutePath()) == out)
            throw Usage(QStringLiteral("--out-dir \"%1\" is the folder of \"%2\": the results "
                                       "would replace the photos; choose another folder")
                            .arg(o.outDir, photo));
}

PictureFormat WriterFormat(ResultFormat format) {
    switch (format) {
        case ResultFormat::Bmp:
            return PictureFormat::Bmp;
        case ResultFormat::Jpeg:
            return PictureFormat::Jpeg;
        case ResultFormat::Gif:
            return PictureFormat::Gif;
        default:
            return PictureFormat::Png;
    }
}

// Paints the plan's marks, carried onto this photo, in the marker colour (byte 3 kept).
void PaintMarks(const BatchPlan& plan, QImage& image, QImageIOHandler::Transformations turn) {
    if (plan.marks.width == 0) return;
    const bool quarter = turn & QImageIOHandler::TransformationRotate90;
    const QSize stored = quarter ? image.size().transposed() : image.size();
    const inpaint::AnchoredMarks anchored =
        inpaint::AnchorMarks(plan.marks, stored.width(), stored.height());
    if (!anchored.dropped.empty()) {
        const inpaint::MarkRect& r = anchored.dropped.front();
        throw PhotoFailure{QStringLiteral("the %1x%2 picture is too small for the marks: a mark "
                                          "would lie at %3,%4 (%5x%6), wholly outside it")
                               .arg(stored.width())
                               .arg(stored.height())
                               .arg(r.x0)
                               .arg(r.y0)
                               .arg(r.x1 - r.x0)
                               .arg(r.y1 - r.y0)};
    }
    const inpaint::MarkMask upright = inpaint::UprightMarks(anchored.mask, int(turn));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (upright.At(x, y)) line[x] = (line[x] & 0xff000000u) | inpaint::kMarkerPixel;
    }
}

void PaintBoxes(QImage& image, const QList<QRect>& boxes) {
    for (const QRect& box : boxes) {
        const QRect inside = box.intersected(image.rect());
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = inside.left(); x <= inside.right(); ++x)
                line[x] = (line[x] & 0xff000000u) | inpaint::kMarkerPixel;
        }
    }
}

QString Fill(const BatchPlan& plan, QImage& image) {
    PhotoPicture picture(image);
    // Several jobs: one engine thread each, so that the cores are not shared out twice.
    const int threads = plan.jobs > 1 ? 1 : 0;
    try {
        if (plan.options.fine) {
            inpaint::fine::FineOptions options;
            options.scanBorder = plan.options.border;
            options.tuning.threads = threads;
            return QStringLiteral("filled %1")
                .arg(inpaint::fine::InpaintPicture(picture, picture, options));
        }
        inpaint::InpaintOptions options;
        options.blockRadius = plan.options.block;
        options.scanBorder = plan.options.border;
        options.tuning.threads = threads;
        return QStringLiteral("steps %1").arg(inpaint::InpaintPicture(picture, picture, options));
    } catch (const inpaint::InpaintError& e) {
        throw PhotoFailure{QString::fromStdString(e.what())};
    }
}

class Batch {
public:
    Batch(const BatchPlan& plan, const std::function<void(const PhotoOutcome&)>& finished)
        : plan_(plan), finished_(finished) {
        const QStringList& photos = plan.options.photos;
        QSet<QString> seen;
        for (const QString& photo : photos) {
            const QString key = Canonical(photo);
            duplicate_.push_back(seen.contains(key));
            seen.insert(key);
            targets_.push_back(duplicate_.back() ? Target{} : ClaimTarget(photo));
        }
    }

    BatchReport Run(std::stop_token stop) {
        // A folder that cannot be made fails every photo before any is loaded.
        if (!QDir().mkpath(plan_.outDir))
            folderProblem_ = QStringLiteral("the folder \"%1\" cannot be made").arg(plan_.outDir);
        const int count = static_cast<int>(plan_.options.photos.size());
        const int jobs = std::clamp(plan_.jobs, 1, count);
        {
            std::vector<std::jthread> workers;
            for (int j = 1; j < jobs; ++j) workers.emplace_back([this, stop] { Work(stop); });
            Work(stop);
        }
        report_.notStarted = count - report_.written - report_.failed - report_.noImprint;
        return report_;
    }

private:
    void Work(std::stop_token stop) {
        const int count = static_cast<int>(plan_.options.photos.size());
        while (!stop.stop_requested()) {
            const int index = next_.fetch_add(1);
            if (index >= count) return;
            const PhotoOutcome outcome = One(index);
            std::lock_guard lock(mutex_);
            ++(outcome.ok          ? report_.written
               : outcome.noImprint ? report_.noImprint
                                   : report_.failed);
            finished_(outcome);
        }
    }

    PhotoOutcome One(int index) {
        PhotoOutcome outcome;
        outcome.photo = plan_.options.photos[index];
        try {
            if (duplicate_[index]) throw PhotoFailure{QStringLiteral("it is already in the list")};
            if (!folderProblem_.isEmpty()) throw PhotoFailure{folderProblem_};
            outcome.line = Process(outcome.photo, targets_[index], outcome.target);
            outcome.ok = true;
        } catch (const PhotoFailure& f) {
            outcome.line = QStringLiteral("error ") + f.reason;
        } catch (const NoImprintFound&) {
            outcome.noImprint = true;
            outcome.line = QStringLiteral("no imprint found");
        } catch (const std::bad_alloc&) {
            outcome.line = QStringLiteral("error there is not enough memory for it");
        }
        return outcome;
    }

    struct Target {
        QString file;
        ResultFormat format = ResultFormat::None;
    };

    // Names are given out in the order of the list, before any job starts, so that the same
    // list always gives the same names whichever job ends first.
    Target ClaimTarget(const QString& photo) {
        const QString outputPath = BuildOutputPath(photo, SaveChoice{true, false, plan_.outDir});
        const QString named = TargetFileFor(outputPath);
        const ResultFormat format = FormatForKey(SplitOutputName(outputPath).key);
        if (named.isEmpty() || format == ResultFormat::None) return {};
        const QString file = written_.TargetFor(named, photo);
        written_.Record(file, photo);
        return {file, format};
    }

    QString Process(const QString& photo, const Target& claimed, QString& target) {
        const ResultFormat format = claimed.format;
        if (format == ResultFormat::None)
            throw PhotoFailure{QStringLiteral(
                "no result can be written in its format (only .bmp, .jpg, .gif and .png)")};

        PictureRead read = ReadPicture(photo);
        if (read.image.isNull())
            throw PhotoFailure{QStringLiteral("cannot read it: %1").arg(read.problem)};
        QImage image = As32Bit(read.image);
        read.image = QImage();
        const QList<QRect> found =
            plan_.options.autoFind ? FindImprintBoxes(image, plan_.finder) : QList<QRect>();
        if (plan_.options.autoFind && found.isEmpty() && !plan_.marks.Any()) throw NoImprintFound{};
        PaintMarks(plan_, image, read.turn);
        PaintBoxes(image, found);
        const QString done = Fill(plan_, image);

        target = claimed.file;
        WriteOptions options;  // as the desktop save: true colours, a GIF dithered to 256
        if (format == ResultFormat::Gif) options = {256, true};
        const QString error = format == ResultFormat::Bmp
                                  ? WritePicture(image.convertToFormat(QImage::Format_RGB32),
                                                 PictureFormat::Bmp, target)
                                  : WritePicture(image, WriterFormat(format), target, options,
                                                 WriteSource{photo, {}});
        if (!error.isEmpty()) {
            const QString failed = target;
            target.clear();
            throw PhotoFailure{QStringLiteral("cannot write \"%1\": %2").arg(failed, error)};
        }
        return done;
    }

    const BatchPlan& plan_;
    const std::function<void(const PhotoOutcome&)>& finished_;
    std::vector<bool> duplicate_;
    std::vector<Target> targets_;  // by position in the list
    QString folderProblem_;
    std::atomic<int> next_{0};
    std::mutex mutex_;  // the report and the callback
    WrittenTargets written_;
    BatchReport report_;
};

}  // namespace

BatchPlan PlanBatch(const Options& options) {
    BatchPlan plan;
    plan.options = options;
    CheckOutDir(options);
    plan.outDir = QDir::cleanPath(QFileInfo(options.outDir).absoluteFilePath());
    plan.jobs = options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
    if (options.boxes.isEmpty() && options.mask.isEmpty()) return plan;
    const Reference ref = ReferenceOf(options);
    if (!ref.upright.isValid()) return plan;
    plan.marks = inpaint::StoredMarks(UprightReferenceMarks(options, ref.upright), int(ref.turn));
    return plan;
}

BatchReport RunBatch(const BatchPlan& plan,
                     const std::function<void(const PhotoOutcome&)>& finished,
                     std::stop_token stop) {
    return Batch(plan, finished).Run(stop);
}

}  // namespace tool
