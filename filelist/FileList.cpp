#include "filelist/FileList.h"

#include "common/ErrorReport.h"

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

int FileList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant FileList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    if (role == Qt::DisplayRole) return paths_[index.row()];
    return {};
}

QVariant FileList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Image File(s)");
    return {};
}
