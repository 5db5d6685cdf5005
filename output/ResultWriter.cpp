#include "output/ResultWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <filesystem>
#include <system_error>

#include "common/AppInfo.h"
#include "common/PathHelpers.h"
#include "output/OutputNaming.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"
#include "platform/RunAndWait.h"

namespace {

// A failed step of the write, carrying the reason for the user.
struct WriteFailure {
    QString reason;
};

std::filesystem::path FsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

constexpr int kPartNameChars = 40;

// An empty file of a fresh name beside the target, with the target's permissions when it exists.
QString CreatePartFile(const QString& target) {
    // The name is cut short so that the temporary name fits where the target's own name only
    // just fits (most systems allow 255 bytes; the converter makes a short temporary name of its
    // own beside it too).
    QString name = FileNameOf(target).left(kPartNameChars);
    if (!name.isEmpty() && name.back().isHighSurrogate()) name.chop(1);  // never half a character
    const QString stem = FolderOf(target) + QLatin1Char('.') + name;
    QFile file;
    for (int attempt = 0; attempt < 100; ++attempt) {
        file.setFileName(stem +
                         QStringLiteral(".%1.part")
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) break;
        if (file.error() != QFileDevice::OpenError || file.exists() == false)
            throw WriteFailure{
                QStringLiteral("no file can be created in the folder %1 (%2)")
                    .arg(QDir::toNativeSeparators(FolderOf(target)), file.errorString())};
    }
    if (!file.isOpen()) throw WriteFailure{QStringLiteral("no temporary name is free beside it")};
    file.close();
    if (QFileInfo::exists(target))
        QFile::setPermissions(file.fileName(), QFile::permissions(target));
    return file.fileName();
}

void WriteBmp(const QImage& picture, const QString& path) {
    QFile file(path);
    QString error =
        file.open(QIODevice::WriteOnly)
            ? WritePicture(picture.convertToFormat(QImage::Format_RGB32), PictureFormat::Bmp, file)
            : file.errorString();
    if (error.isEmpty() && !file.flush()) error = file.errorString();
    if (!error.isEmpty())
        throw WriteFailure{QStringLiteral("the bitmap could not be written (%1)").arg(error)};
}

QStringList FormatArguments(ResultFormat format) {
    switch (format) {
        case ResultFormat::Jpeg:
            return {QStringLiteral("-out"), QStringLiteral("jpeg"), QStringLiteral("-truecolors")};
        case ResultFormat::Gif:
            return {QStringLiteral("-out"), QStringLiteral("gif"), QStringLiteral("-dither"),
                    QStringLiteral("-colors"), QStringLiteral("256")};
        case ResultFormat::Png:
            return {QStringLiteral("-out"), QStringLiteral("png")};
        default:
            return {};
    }
}

QString ConverterMessage(const QByteArray& errorOutput) {
    QString text = QString::fromLocal8Bit(errorOutput).trimmed();
    text = text.section(QLatin1Char('\n'), 0, 0);  // the first line says what went wrong
    const QString prefix = QStringLiteral("brisvane-convert: ");
    if (text.startsWith(prefix)) text = text.mid(prefix.size());
    return text;
}

// Makes the result in `part` through the converter, from a bitmap in a private scratch folder.
void Convert(const QImage& picture, const ResultPlan& plan, const QString& part,
             const ConverterSetup& converter) {
    const QFileInfo program(converter.program);
    if (!program.isFile() || !program.isExecutable())
        throw WriteFailure{QStringLiteral("the converter %1 is missing")
                               .arg(QDir::toNativeSeparators(converter.program))};

    QTemporaryDir scratch;  // private to this user, removed with everything in it
    if (!scratch.isValid())
        throw WriteFailure{
            QStringLiteral("no temporary folder could be made (%1)").arg(scratch.errorString())};
    const QString bitmap = scratch.filePath(QStringLiteral("picture.bmp"));
    WriteBmp(picture, bitmap);

    QStringList arguments = FormatArguments(plan.format);
    if (!plan.source.isEmpty()) arguments << QStringLiteral("-source") << plan.source;
    const RunResult run =
        RunAndWait(converter.program, arguments << QStringLiteral("-o") << part << bitmap,
                   converter.timeoutMs);
    if (run.status == RunResult::Status::FailedToStart)
        throw WriteFailure{QStringLiteral("the converter %1 could not be started (%2)")
                               .arg(QDir::toNativeSeparators(converter.program), run.errorText)};
    if (run.status != RunResult::Status::Finished)
        throw WriteFailure{QStringLiteral("the converter failed: %1").arg(run.errorText)};
    if (run.exitCode != 0) {
        const QString message = ConverterMessage(run.errorOutput);
        throw WriteFailure{
            message.isEmpty()
                ? QStringLiteral("the converter failed with exit code %1").arg(run.exitCode)
                : QStringLiteral("the converter failed: %1").arg(message)};
    }
}

QByteArray ReaderFormat(ResultFormat format) {
    switch (format) {
        case ResultFormat::Bmp:
            return "bmp";
        case ResultFormat::Jpeg:
            return "jpeg";
        case ResultFormat::Gif:
            return "gif";
        case ResultFormat::Png:
            return "png";
        default:
            return {};
    }
}

// Decoders fill in what a cut-off JPEG, GIF or BMP lacks; its bytes tell.
bool Complete(const QString& part, ResultFormat format) {
    QFile file(part);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray data = file.readAll();
    switch (format) {
        case ResultFormat::Jpeg:
            return JpegDataIsComplete(data);
        case ResultFormat::Gif:
            return GifDataIsComplete(data);
        case ResultFormat::Bmp:
            return BmpDataIsComplete(data);
        default:
            return true;
    }
}

// The written file must read back as a picture of the expected format and size (a JPEG kept in
// its source's stored orientation stores it turned).
void CheckWritten(const QString& part, ResultFormat format, QSize upright) {
    QImageReader reader(part);
    reader.setAutoTransform(false);
    const bool formatOk = reader.format() == ReaderFormat(format) ||
                          (format == ResultFormat::Jpeg && reader.format() == "jpg");
    const QSize size =
        formatOk && (reader.transformation() & QImageIOHandler::TransformationRotate90)
            ? upright.transposed()
            : upright;
    // A JPEG is decoded at an eighth of its size: every byte of it is still read and decoded,
    // at a third of the time of a full decode.
    const QSize decoded = format == ResultFormat::Jpeg
                              ? QSize((size.width() + 7) / 8, (size.height() + 7) / 8)
                              : size;
    if (decoded != size) reader.setScaledSize(decoded);
    const QImage back = formatOk && reader.size() == size ? reader.read() : QImage();
    if (back.isNull() || back.size() != decoded || !Complete(part, format))
        throw WriteFailure{
            QStringLiteral("the written file did not read back as a %1 x %2 %3 picture")
                .arg(size.width())
                .arg(size.height())
                .arg(QString::fromLatin1(ReaderFormat(format)).toUpper())};
}

void ReplaceTarget(const QString& part, const QString& target) {
    std::error_code error;
    std::filesystem::rename(FsPath(part), FsPath(target), error);
    if (error)
        throw WriteFailure{QStringLiteral("it could not take the place of the old file (%1)")
                               .arg(QString::fromLocal8Bit(error.message().c_str()))};
}

}  // namespace

ConverterSetup InstalledConverter() {
    ConverterSetup setup;
    setup.program = HelperProgramPath(QStringLiteral("brisvane-convert"));
    return setup;
}

ResultPlan PlanResult(const QString& outputPath, const QString& source) {
    return ResultPlan{TargetFileFor(outputPath), FormatForKey(SplitOutputName(outputPath).key),
                      source};
}

WriteOutcome WriteResult(const QImage& picture, const QString& outputPath,
                         const ConverterSetup& converter) {
    return WriteResult(picture, PlanResult(outputPath), converter);
}

WriteOutcome WriteResult(const QImage& picture, const ResultPlan& plan,
                         const ConverterSetup& converter) {
    WriteOutcome outcome;
    outcome.target = plan.target;
    const ResultFormat format = plan.format;
    if (outcome.target.isEmpty() || format == ResultFormat::None) {
        outcome.status = WriteOutcome::Status::NoFormat;
        return outcome;
    }
    QString part;
    try {
        if (picture.isNull()) throw WriteFailure{QStringLiteral("there is no picture on show")};
        part = CreatePartFile(outcome.target);
        if (format == ResultFormat::Bmp)
            WriteBmp(picture, part);
        else
            Convert(picture, plan, part, converter);
        CheckWritten(part, format, picture.size());
        ReplaceTarget(part, outcome.target);
        outcome.status = WriteOutcome::Status::Written;
    } catch (const WriteFailure& failure) {
        if (!part.isEmpty()) QFile::remove(part);
        outcome.status = WriteOutcome::Status::Failed;
        outcome.reason = failure.reason;
    } catch (...) {
        if (!part.isEmpty()) QFile::remove(part);
        throw;
    }
    return outcome;
}
