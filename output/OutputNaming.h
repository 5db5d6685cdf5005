#pragma once
#include <QString>

// Where a result goes and under which name. The result keeps the source's file name; the
// written format follows the name's extension.

// The save choice as the editor's "Save Option" frame holds it.
struct SaveChoice {
    bool toFolder = false;      // "Save results to this folder:"
    bool besideSource = false;  // "Save results in folder of original file"
    QString folder;             // the folder text, as typed or chosen
};

// The output path for a list entry: the chosen folder (or the source's own folder) joined to
// the source's file name, doubled separators collapsed; empty when no save option is set.
QString BuildOutputPath(const QString& itemText, const SaveChoice& choice);

// The output path cut into the base path and the format key: the base loses a final
// ".bmp", ".jpg", ".gif" or ".png" (any letter case); the key is the lower-cased extension.
struct OutputName {
    QString base;
    QString key;
};
OutputName SplitOutputName(const QString& outputPath);

// How a result is written, by format key.
enum class ResultFormat { None, Bmp, Jpeg, Gif, Png };
ResultFormat FormatForKey(const QString& key);

// The file actually written for an output path; empty when its format cannot be written.
// The extension keeps the letter case the source spells it with (IMG_1.JPG stays IMG_1.JPG,
// so the source is replaced where the file system tells case apart); a ".jpeg" name gains
// ".jpg" and so does not replace its source.
QString TargetFileFor(const QString& outputPath);
