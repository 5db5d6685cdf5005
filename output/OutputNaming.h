#pragma once
#include <QHash>
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

// The results written in this run of the program and the source each came from. Camera rolls
// repeat their names (IMG_0001.JPG on every card), so results gathered in one folder would
// replace each other: a target written from one source is never replaced by another source's
// result in the same run, which gets the next free name instead ("IMG_0001 (2).JPG", then
// "(3)", ...). Re-saving a source replaces its own earlier result. Widget-free, so every way of
// saving can share it; nothing is remembered beyond the run.
class WrittenTargets {
public:
    // The file to write `source`'s result into, given the name it would have: `target` itself,
    // or the next name beside it that holds neither another source's result nor any file.
    QString TargetFor(const QString& target, const QString& source) const;
    // Remembers that `target` now holds the result of `source`.
    void Record(const QString& target, const QString& source);
    // The source whose result `target` holds; empty when none was written there in this run.
    QString SourceOf(const QString& target) const;

private:
    struct Written {
        QString sourceKey;  // the source, spelt one way for comparing
        QString source;     // as given
    };
    QHash<QString, Written> written_;  // by target, spelt one way
};
