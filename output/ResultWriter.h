#pragma once
#include <QImage>
#include <QString>

#include "output/OutputNaming.h"

// Writing the picture on show to its output path, in the format its name asks for: BMP directly,
// JPEG, GIF and PNG through the converter brisvane-convert beside the program, which is told the
// source photo so that the result keeps its metadata and untouched blocks (BMP keeps none).
//
// The result is written beside the target under a temporary name, read back to check it is a
// picture of the right size, and only then renamed over the target; on any failure the target
// (possibly the source photo itself) is left as it was and nothing else is left behind.

struct WriteOutcome {
    enum class Status { Written, NoFormat, Failed };
    Status status = Status::Failed;
    QString target;  // the file written, or that was to be written
    QString reason;  // why it failed, for the user
};

struct ConverterSetup {
    QString program;            // the converter's full path
    int timeoutMs = 60 * 1000;  // a run taking longer is stopped and the save fails
};

// The converter as installed: beside the program, else in the program folder.
ConverterSetup InstalledConverter();

// One result: the file written, its format and the photo it comes from.
struct ResultPlan {
    QString target;
    ResultFormat format = ResultFormat::None;
    QString source;  // empty: none
};

// The plan for an output path: the target TargetFileFor gives, in the format of its name.
ResultPlan PlanResult(const QString& outputPath, const QString& source = QString());

WriteOutcome WriteResult(const QImage& picture, const ResultPlan& plan,
                         const ConverterSetup& converter = InstalledConverter());
// The same for an output path, without a source.
WriteOutcome WriteResult(const QImage& picture, const QString& outputPath,
                         const ConverterSetup& converter = InstalledConverter());
