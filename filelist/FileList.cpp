#include "filelist/FileList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "common/ErrorReport.h"

namespace {
constexpr int kMarkSize = 16;

// A green tick for saved entries, and a blank of the same size so every name starts in line.
QIcon EntryMark(bool saved) {
    QPixmap pixmap(kMarkSize, kMarkSize);
    pixmap.fill(Qt::transparent);
    if (saved) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(
            QPen(QColor(0x1E, 0x8C, 0x2E), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(3, 8.5);
        tick.lineTo(6.5, 12);
        tick.lineTo(13, 4);
        painter.drawPath(tick);
    }
    return QIcon(pixmap);
}
}  // namespace

QString FileList::Item(int i) const {
    if (i < 1 || i > Count()) throw AppError(QStringLiteral("Index out of bounds"));
    return paths_[i - 1];
}

void FileList::Append(const QString& path) {
    beginInsertRows(QModelIndex(), Count(), Count());
    paths_.append(path);
    endInsertRows();
}

void FileList::Append(const QStringList& paths) {
    if (paths.isEmpty()) return;
    beginInsertRows(QModelIndex(), Count(), Count() + static_cast<int>(paths.size()) - 1);
    paths_.append(paths);
    endInsertRows();
}

void FileList::RemoveAt(int i) {
    if (i < 1 || i > Count()) return;
    beginRemoveRows(QModelIndex(), i - 1, i - 1);
    paths_.removeAt(i - 1);
    endRemoveRows();
}

void FileList::Clear() {
    beginResetModel();
    paths_.clear();
    saved_.clear();
    endResetModel();
}

bool FileList::IsInList(const QString& text) const {
    return paths_.contains(text, Qt::CaseSensitive);
}

void FileList::SwapTexts(int i, int j) {
    if (i < 1 || j < 1 || i > Count() || j > Count() || i == j) return;
    paths_.swapItemsAt(i - 1, j - 1);
    Q_EMIT dataChanged(index(i - 1), index(i - 1));
    Q_EMIT dataChanged(index(j - 1), index(j - 1));
}

void FileList::MarkSaved(const QString& text) {
    if (saved_.contains(text)) return;
    saved_.insert(text);
    for (int row = 0; row < Count(); ++row)
        if (paths_[row] == text) Q_EMIT dataChanged(index(row), index(row), {Qt::DecorationRole});
}

bool FileList::IsSaved(int i) const {
    return i >= 1 && i <= Count() && saved_.contains(paths_[i - 1]);
}

int FileList::SavedCount() const {
    int n = 0;
    for (const QString& path : paths_) n += saved_.contains(path);
    return n;
}

int FileList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant FileList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    if (role == Qt::DisplayRole) return paths_[index.row()];
    if (role == Qt::DecorationRole) {
        if (savedMark_.isNull()) {
            savedMark_ = EntryMark(true);
            blankMark_ = EntryMark(false);
        }
        return saved_.contains(paths_[index.row()]) ? savedMark_ : blankMark_;
    }
    return {};
}

QVariant FileList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Image File(s)");
    return {};
}
