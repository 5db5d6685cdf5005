#include "output/OutputNaming.h"

#include "common/PathHelpers.h"

QString BuildOutputPath(const QString& itemText, const SaveChoice& choice) {
    const QChar sep = PathSeparator();
    QString path;
    if (choice.toFolder)
        path = choice.folder + sep + FileNameOf(itemText);
    else if (choice.besideSource)
        path = FolderOf(itemText) + sep + FileNameOf(itemText);
    return CollapseBackslashes(path);
}

namespace {
bool EndsWithKnownExtension(const QString& path) {
    const QString tail = path.right(4).toLower();
    return tail == QLatin1String(".bmp") || tail == QLatin1String(".jpg") ||
           tail == QLatin1String(".gif") || tail == QLatin1String(".png");
}
}  // namespace

OutputName SplitOutputName(const QString& outputPath) {
    OutputName name;
    name.key = ExtensionOf(outputPath).toLower();
    name.base =
        EndsWithKnownExtension(outputPath) ? outputPath.left(outputPath.size() - 4) : outputPath;
    return name;
}

ResultFormat FormatForKey(const QString& key) {
    if (key == QLatin1String("bmp")) return ResultFormat::Bmp;
    if (key == QLatin1String("jpg") || key == QLatin1String("jpeg")) return ResultFormat::Jpeg;
    if (key == QLatin1String("gif")) return ResultFormat::Gif;
    if (key == QLatin1String("png")) return ResultFormat::Png;
    return ResultFormat::None;
}

QString TargetFileFor(const QString& outputPath) {
    const OutputName name = SplitOutputName(outputPath);
    const ResultFormat format = FormatForKey(name.key);
    if (format == ResultFormat::None) return QString();
    if (name.base.size() < outputPath.size()) return outputPath;  // its own four-letter extension
    if (format == ResultFormat::Jpeg) return name.base + QLatin1String(".jpg");
    return name.base + QLatin1Char('.') + name.key;
}
