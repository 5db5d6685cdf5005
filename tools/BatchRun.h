#pragma once
#include <QImageIOHandler>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <stop_token>

#include "common/FoundImprints.h"
#include "inpaint/MarkAnchoring.h"
#include "tools/ToolOptions.h"

// brisvane-inpaint --out-dir: the same marks removed from many photos, each result written into
// one folder under the photo's own name and format. Photos are loaded, filled and saved by
// several jobs at once, each holding one picture; each result is the one a run on that photo
// alone gives.
namespace tool {

// What every photo of a batch shares, checked before anything runs.
struct BatchPlan {
    Options options;
    inpaint::MarkMask marks;  // on the reference picture, in its stored orientation
    QString outDir;           // absolute
    int jobs = 1;
    ImprintFinder finder =
        detect::FindImprints;  // with --auto: each photo's imprints are marks too
};

// Reads the marks and checks the folder; throws Failure (exit 2) when anything is wrong, before
// anything is written.
BatchPlan PlanBatch(const Options& options);

struct PhotoOutcome {
    QString photo;   // as given
    QString target;  // the file written, empty when none
    bool ok = false;
    bool noImprint = false;  // --auto found nothing and there were no other marks: not a failure
    QString line;            // "steps N" / "filled N", "no imprint found", or "error REASON"
};

struct BatchReport {
    int written = 0;
    int failed = 0;
    int noImprint = 0;   // left alone: no imprint found and no other marks (--auto)
    int notStarted = 0;  // after a stop
};

// Runs the plan. `finished` is called once per photo as it ends, one call at a time, from the
// job that did it. After a stop request no further photo is started; those in hand are finished.
BatchReport RunBatch(const BatchPlan& plan,
                     const std::function<void(const PhotoOutcome&)>& finished,
                     std::stop_token stop = {});

}  // namespace tool
