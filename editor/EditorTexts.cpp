#include "editor/EditorTexts.h"

#include "common/AppInfo.h"
#include "common/PathHelpers.h"

namespace EditorTexts {

QString Title(const QString& path, int position, int count) {
    if (path.trimmed().isEmpty() || position < 1 || position > count) return AppInfo::ProductName;
    return QStringLiteral("%1 (%2 of %3) \u2014 %4")
        .arg(FileNameOf(path.trimmed()))
        .arg(position)
        .arg(count)
        .arg(AppInfo::ProductName);
}

QString CouldNotOpen(const QString& path, const QString& reason) {
    return QStringLiteral("%1 could not be opened: %2.").arg(FileNameOf(path.trimmed()), reason);
}

QString NothingMarked() {
    return QStringLiteral("Nothing is marked: paint a box or polygon over the imprint first.");
}

QString SaveBeforeClosing(const QString& path) {
    return QStringLiteral("Save changes to %1 before closing?").arg(FileNameOf(path.trimmed()));
}

}  // namespace EditorTexts
