#include "editor/BatchRun.h"

#include <QDir>
#include <new>

#include "editor/MarkingTools.h"
#include "picture/PictureFile.h"
#include "platform/PictureBox.h"

namespace {

constexpr QRgb kRgbMask = 0xFFFFFFu;

inpaint::MarkMask MarksWhere(const QImage& image, const std::function<bool(int, int)>& marked) {
    inpaint::MarkMask mask(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) mask.At(x, y) = marked(x, y) ? 1 : 0;
    return mask;
}

bool IsMarker(QRgb pixel) {
    return (pixel & kRgbMask) == inpaint::kMarkerPixel;
}

// The engine's view of an image held here only for the run.
class ImageAccess : public inpaint::PictureAccess {
public:
    explicit ImageAccess(QImage& image) : image_(image) {}
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void ReadPixels(std::uint32_t* dst) const override {
        for (int y = 0; y < image_.height(); ++y)
            std::copy_n(reinterpret_cast<const std::uint32_t*>(image_.constScanLine(y)),
                        image_.width(), dst + static_cast<std::size_t>(y) * image_.width());
    }
    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) override {
        for (int row = 0; row < h; ++row)
            std::copy_n(src + static_cast<std::size_t>(row) * stride, w,
                        reinterpret_cast<std::uint32_t*>(image_.scanLine(y + row)) + x);
    }

private:
    QImage& image_;
};

QString TrimSpaces(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) ++first;
    while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
    return text.mid(first, last - first);
}

// Each marks the picture and returns why it could not, empty when it did.
QString PaintFound(QImage& image, const ImprintFinder& finder) {
    const QList<QRect> found = FindImprintBoxes(image, finder);
    if (found.isEmpty()) return QStringLiteral("no imprint found");
    PaintFoundBoxes(image, found);
    return {};
}

QString PaintCarried(QImage& image, const CarriedMarks& marks,
                     QImageIOHandler::Transformations turn) {
    if (PaintCarriedMarks(image, marks, turn).dropped.empty()) return {};
    return QStringLiteral("the %1 x %2 picture is too small for the marks")
        .arg(image.width())
        .arg(image.height());
}

BatchItemOutcome Outcome(BatchItemOutcome::Status status, const QString& reason,
                         const QString& target = {}) {
    return {status, target, reason};
}

}  // namespace

inpaint::MarkMask PaintedMarks(const QImage& image, const QImage& picture) {
    if (image.size() != picture.size()) return MarkerPixels(image);
    return MarksWhere(image, [&](int x, int y) {
        return IsMarker(image.pixel(x, y)) && image.pixel(x, y) != picture.pixel(x, y);
    });
}

inpaint::MarkMask MarkerPixels(const QImage& image) {
    return MarksWhere(image, [&](int x, int y) { return IsMarker(image.pixel(x, y)); });
}

inpaint::MarkMask ScaledMarks(const inpaint::MarkMask& marks, int width, int height) {
    if (marks.width == width && marks.height == height) return marks;
    inpaint::MarkMask scaled(width, height);
    if (marks.width == 0 || marks.height == 0) return scaled;
    for (int y = 0; y < height; ++y) {
        const int from = static_cast<int>(qint64(y) * marks.height / height);
        for (int x = 0; x < width; ++x)
            scaled.At(x, y) = marks.At(static_cast<int>(qint64(x) * marks.width / width), from);
    }
    return scaled;
}

CarriedMarks CarryMarks(const inpaint::MarkMask& upright, QImageIOHandler::Transformations turn) {
    return {inpaint::StoredMarks(upright, int(turn))};
}

inpaint::AnchoredMarks PaintCarriedMarks(QImage& image, const CarriedMarks& marks,
                                         QImageIOHandler::Transformations turn, QRect* painted) {
    const bool quarter = turn & QImageIOHandler::TransformationRotate90;
    const QSize stored = quarter ? image.size().transposed() : image.size();
    inpaint::AnchoredMarks anchored =
        inpaint::AnchorMarks(marks.stored, stored.width(), stored.height());
    const inpaint::MarkMask upright = inpaint::UprightMarks(anchored.mask, int(turn));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (upright.At(x, y)) {
                line[x] = MarkerColor;
                if (painted) *painted |= QRect(x, y, 1, 1);
            }
    }
    return anchored;
}

BatchItemOutcome RunBatchItem(const BatchItemSetup& setup, const QString& itemText,
                              WrittenTargets& written) {
    using Status = BatchItemOutcome::Status;
    const QString source = TrimSpaces(itemText);
    ResultPlan plan = PlanResult(BuildOutputPath(itemText, setup.choice), source);
    if (plan.target.isEmpty())
        return Outcome(Status::Failed,
                       QStringLiteral("only BMP, JPEG, GIF and PNG pictures can be written"));
    plan.target = written.TargetFor(plan.target, source);
    const QStringList lost = ContentLostByReplacing(plan.target);
    if (!lost.isEmpty())
        return Outcome(Status::Skipped, QStringLiteral("replacing \"%1\" would lose %2")
                                            .arg(QDir::toNativeSeparators(plan.target),
                                                 lost.join(QStringLiteral(" and "))));
    try {
        const PictureRead read = ReadPicture(source);
        if (read.image.isNull())
            return Outcome(Status::Failed,
                           QStringLiteral("it cannot be read (%1)").arg(read.problem));
        QImage image = read.image.convertToFormat(QImage::Format_RGB32);  // as the editor holds it
        const QString unmarked = setup.finder ? PaintFound(image, setup.finder)
                                              : PaintCarried(image, setup.marks, read.turn);
        if (!unmarked.isEmpty())
            return Outcome(setup.finder ? Status::NoImprint : Status::Failed, unmarked);
        ImageAccess access(image);
        setup.fill(access, setup.hooks);
        const WriteOutcome outcome = WriteResult(image, plan, setup.converter);
        if (outcome.status != WriteOutcome::Status::Written)
            return Outcome(
                Status::Failed,
                outcome.reason.isEmpty()
                    ? QStringLiteral("only BMP, JPEG, GIF and PNG pictures can be written")
                    : outcome.reason);
        written.Record(plan.target, source);
        return Outcome(Status::Written, {}, plan.target);
    } catch (const inpaint::InpaintError& e) {
        return Outcome(Status::Failed, QStringLiteral("the marked area cannot be removed: %1")
                                           .arg(QString::fromStdString(e.what())));
    } catch (const std::bad_alloc&) {
        return Outcome(Status::Failed, QStringLiteral("there is not enough memory for it"));
    }
}

QString BatchSummary(int written, const QStringList& failed, const QStringList& skipped,
                     int untouched, const QStringList& noImprint) {
    QString text = QStringLiteral("Marks removed and saved in %1 picture(s).").arg(written);
    if (untouched > 0)
        text += QStringLiteral("\n\nStopped: %1 picture(s) were left untouched.").arg(untouched);
    if (!failed.isEmpty())
        text += QStringLiteral("\n\nNot saved because of a problem:\n") +
                failed.join(QLatin1Char('\n'));
    if (!skipped.isEmpty())
        text += QStringLiteral("\n\nSkipped, to be saved one by one:\n") +
                skipped.join(QLatin1Char('\n'));
    if (!noImprint.isEmpty())
        text += QStringLiteral("\n\nLeft alone, no date imprint found:\n") +
                noImprint.join(QLatin1Char('\n'));
    return text;
}

QString ReplaceOriginalsQuestion(int pictures) {
    return QStringLiteral(
               "The marks will be removed in %1 picture(s), and each result will replace its "
               "original file.\n\nReplace the originals?")
        .arg(pictures);
}

QString NoMarksToCarry() {
    return QStringLiteral(
        "There are no marks to remove. Mark the area to remove on this picture first.");
}
