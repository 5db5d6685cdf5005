#include "filelist/KeptList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#include "platform/SettingsStore.h"

namespace {
const QByteArray kHeader = QByteArrayLiteral("Brisvane list 1");
// Left as they are in the file, so a path stays readable; everything else is encoded.
const QByteArray kPlain = QByteArrayLiteral(" /\\:.,-_~()[]{}&'!+=@#$;");

QString Pictures(qsizetype n) {
    return n == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(n);
}

std::optional<KeptEntry> ParseEntry(const QByteArray& line) {
    if (line.size() < 3 || line[1] != ' ' || (line[0] != '+' && line[0] != '-'))
        return std::nullopt;
    const QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(2)));
    if (path.trimmed().isEmpty()) return std::nullopt;
    return KeptEntry{path, line[0] == '+'};
}
}  // namespace

int KeptList::SavedCount() const {
    int n = 0;
    for (const KeptEntry& e : entries) n += e.saved;
    return n;
}

QByteArray KeptListText(const QList<KeptEntry>& entries) {
    QByteArray text = kHeader + '\n';
    for (const KeptEntry& e : entries) {
        text += e.saved ? "+ " : "- ";
        text += e.path.toUtf8().toPercentEncoding(kPlain);
        text += '\n';
    }
    return text;
}

KeptList ParseKeptList(const QByteArray& text) {
    KeptList kept;
    for (const QByteArray& raw : text.split('\n')) {
        if (kept.entries.size() >= MaxKeptEntries) break;
        QByteArray line = raw;
        if (line.endsWith('\r')) line.chop(1);
        if (const auto entry = ParseEntry(line)) kept.entries << *entry;
    }
    return kept;
}

QString KeptListFile() {
    return SettingsFolderPath() + QStringLiteral("/LastList.txt");
}

bool WriteKeptList(const QString& file, const QList<KeptEntry>& entries) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    const QByteArray text = KeptListText(entries);
    if (out.write(text) != text.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

KeptList ReadKeptList(const QString& file) {
    QFile in(file);
    if (in.size() > MaxKeptListBytes || !in.open(QIODevice::ReadOnly)) return {};
    return ParseKeptList(in.read(MaxKeptListBytes));
}

RestoredList DropGoneEntries(const KeptList& kept) {
    RestoredList restored;
    for (const KeptEntry& e : kept.entries) {
        if (QFileInfo(e.path.trimmed()).isFile())
            restored.present << e;
        else
            ++restored.gone;
    }
    return restored;
}

QString RestoreOfferText(const KeptList& kept) {
    return QStringLiteral("Restore the last list (%1, %2 saved)")
        .arg(Pictures(kept.entries.size()))
        .arg(kept.SavedCount());
}

QString RestoredNoteText(const RestoredList& restored) {
    QString note =
        QStringLiteral("Restored %1 of the last list.").arg(Pictures(restored.present.size()));
    if (restored.gone == 1)
        note += QStringLiteral(" 1 picture was left out: its file is no longer there.");
    else if (restored.gone > 1)
        note += QStringLiteral(" %1 pictures were left out: their files are no longer there.")
                    .arg(restored.gone);
    return note;
}
