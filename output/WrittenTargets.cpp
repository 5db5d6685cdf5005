// WrittenTargets (OutputNaming.h): apart from the rest of the naming, so that programs without
// the windows' helpers can use it too.
#include <QDir>
#include <QFileInfo>

#include "output/OutputNaming.h"
#include "picture/FileNames.h"

namespace {

// One text per file, however it is spelt: absolute, cleaned, and in one letter case where the
// file system ignores case.
QString Key(const QString& path) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
#ifdef Q_OS_WIN
    return clean.toCaseFolded();
#else
    return clean;
#endif
}

// "IMG_0001 (n).JPG": the number before the extension (the last dot of the file name).
QString NumberedName(const QString& target, int n) {
    const qsizetype slash =
        qMax(target.lastIndexOf(QLatin1Char('/')), target.lastIndexOf(QLatin1Char('\\')));
    qsizetype dot = target.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1) dot = target.size();
    return target.left(dot) + QStringLiteral(" (%1)").arg(n) + target.mid(dot);
}

}  // namespace

QString WrittenTargets::TargetFor(const QString& target, const QString& source) const {
    const QString self = Key(source);
    const auto holder = written_.constFind(Key(target));
    if (holder == written_.constEnd() || holder->sourceKey == self) return target;
    for (int n = 2;; ++n) {
        const QString name = NumberedName(target, n);
        const auto other = written_.constFind(Key(name));
        if (other != written_.constEnd() ? other->sourceKey == self : !FactsOf(name).exists)
            return name;
    }
}

void WrittenTargets::Record(const QString& target, const QString& source) {
    written_.insert(Key(target), Written{Key(source), source});
}

QString WrittenTargets::SourceOf(const QString& target) const {
    return written_.value(Key(target)).source;
}
