#pragma once
#include <QImage>
#include <QImageIOHandler>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

#include "editor/ImprintSearch.h"
#include "inpaint/Inpainting.h"
#include "inpaint/MarkAnchoring.h"
#include "output/OutputNaming.h"
#include "output/ResultWriter.h"

// The editor's marks carried beyond the picture they were painted on: onto the next picture
// ("Keep marks") and onto every remaining picture of the list ("Remove in All Remaining
// Pictures"). Marks travel in the stored orientation of the picture they were made on and are
// anchored onto each picture as inpaint/MarkAnchoring.h describes.

// Marker-coloured pixels of the persistent image `image` that its picture lacks.
inpaint::MarkMask PaintedMarks(const QImage& image, const QImage& picture);
// Every marker-coloured pixel of `image`: what a removal fills.
inpaint::MarkMask MarkerPixels(const QImage& image);

// The marks made on a picture shown reduced, on the picture at its full size (nearest pixel).
inpaint::MarkMask ScaledMarks(const inpaint::MarkMask& marks, int width, int height);

// Marks as carried: in the stored orientation of the picture they were made on.
struct CarriedMarks {
    inpaint::MarkMask stored;
    bool Empty() const { return stored.width == 0 || !stored.Any(); }
};
CarriedMarks CarryMarks(const inpaint::MarkMask& upright, QImageIOHandler::Transformations turn);

// Paints the marks, anchored, in the marker colour into `image` (32-bit, shown upright after
// `turn`). Returns what the anchoring reported; `painted`, when given, gets the rectangle painted.
inpaint::AnchoredMarks PaintCarriedMarks(QImage& image, const CarriedMarks& marks,
                                         QImageIOHandler::Transformations turn,
                                         QRect* painted = nullptr);

// One picture of "Remove in All Remaining Pictures": loaded at full size, marked, filled and
// saved as the save step saves, without a single question: a picture whose save would ask
// about a loss is skipped.
struct BatchItemSetup {
    CarriedMarks marks;
    // When set, the boxes it finds on each picture are the marks, in place of `marks`; a picture
    // where it finds none is left alone.
    ImprintFinder finder;
    SaveChoice choice;
    ConverterSetup converter;
    // Runs the removal on the picture; throws inpaint::InpaintError when it cannot.
    std::function<int(inpaint::PictureAccess& picture, const inpaint::RunHooks& hooks)> fill;
    inpaint::RunHooks hooks;  // no stop: a started picture is finished
};

struct BatchItemOutcome {
    enum class Status { Written, Failed, Skipped, NoImprint } status = Status::Failed;
    QString target;  // the file written
    QString reason;  // why it failed or was skipped, for the user
};

BatchItemOutcome RunBatchItem(const BatchItemSetup& setup, const QString& source,
                              WrittenTargets& written);

// The summary at the end of a run.
QString BatchSummary(int written, const QStringList& failed, const QStringList& skipped,
                     int untouched, const QStringList& noImprint = {});
QString ReplaceOriginalsQuestion(int pictures);
QString NoMarksToCarry();
