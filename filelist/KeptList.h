#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

// The list of pictures kept between runs, so a long list can be worked through over several
// sittings. It is a small text file beside the settings:
//
//   Brisvane list 1
//   + /photos/IMG_0411.jpg
//   - /photos/IMG_0412.jpg
//
// one entry a line, "+" when its result was saved, "-" when not, then the path with "%", control
// characters and non-ASCII characters percent-encoded (UTF-8), so any name survives. A damaged
// file gives what can still be read: lines that are not entries are skipped.
struct KeptEntry {
    QString path;
    bool saved = false;
    bool operator==(const KeptEntry&) const = default;
};

struct KeptList {
    QList<KeptEntry> entries;
    int SavedCount() const;
    bool HasUnsaved() const { return SavedCount() < entries.size(); }
};

// Bounds that keep a damaged or foreign file from slowing the start: far beyond any real list.
constexpr qint64 MaxKeptListBytes = qint64(64) << 20;
constexpr int MaxKeptEntries = 200000;

QByteArray KeptListText(const QList<KeptEntry>& entries);
KeptList ParseKeptList(const QByteArray& text);

// The file's place: beside the settings store.
QString KeptListFile();
// Writes the whole file under a temporary name and renames it into place; false on failure.
bool WriteKeptList(const QString& file, const QList<KeptEntry>& entries);
// An absent, unreadable or oversized file gives an empty list.
KeptList ReadKeptList(const QString& file);

// The entries whose files are still there, and how many were dropped because they are gone
// (moved, renamed or deleted since).
struct RestoredList {
    QList<KeptEntry> present;
    int gone = 0;
};
RestoredList DropGoneEntries(const KeptList& kept);

// "Restore the last list (120 pictures, 37 saved)"
QString RestoreOfferText(const KeptList& kept);
// One line after restoring: how many came back, and how many were left out.
QString RestoredNoteText(const RestoredList& restored);
