#pragma once
#include <QAbstractListModel>
#include <QIcon>
#include <QSet>
#include <QStringList>

// The list of pictures to work on: one full path per entry, positions from 1, appended in the
// order added, never sorted, duplicates allowed. Form1 owns it; the editor reads it.
class FileList : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int Count() const { return static_cast<int>(paths_.size()); }
    // Text of entry i, 1 <= i <= Count(); throws AppError outside that range.
    QString Item(int i) const;
    void Append(const QString& path);
    // Appends several paths at once, in order (one update of the views).
    void Append(const QStringList& paths);
    // Removes entry i; the entries after it move up by one. Out of range does nothing.
    void RemoveAt(int i);
    void Clear();
    // True when some entry's text equals `text` exactly (case-sensitive).
    bool IsInList(const QString& text) const;
    // Swaps the texts of entries i and j.
    void SwapTexts(int i, int j);
    const QStringList& Paths() const { return paths_; }

    // Entries whose result has been saved show a check-mark. The mark goes with the entry's
    // text, so it stays with the entry when the list is reordered.
    void MarkSaved(const QString& text);
    bool IsSaved(int i) const;
    int SavedCount() const;

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList paths_;
    QSet<QString> saved_;
    mutable QIcon savedMark_, blankMark_;  // made at the first paint
};
