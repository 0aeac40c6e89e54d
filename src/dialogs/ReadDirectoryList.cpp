#include "dialogs/ReadDirectoryList.h"

#include "controls/ButtonGlyphs.h"
#include "controls/QtText.h"
#include "core/listing/DirectoryTree.h"
#include "core/listing/SearchPattern.h"

ReadDirectoryModel::ReadDirectoryModel(QObject *parent)
    : QAbstractListModel(parent),
      m_openImage(transparentPixmap(QStringLiteral(":/images/folder_open.png"))),
      m_currentImage(transparentPixmap(QStringLiteral(":/images/folder_current.png"))),
      m_closedImage(transparentPixmap(QStringLiteral(":/images/folder_closed.png"))) {}

void ReadDirectoryModel::setListing(const std::string &openDirectory,
                                    std::vector<std::string> subdirectories) {
    beginResetModel();
    m_openDirectory = openDirectory;
    m_path = filvane::pathComponents(openDirectory);
    m_subdirectories = std::move(subdirectories);
    endResetModel();
}

int ReadDirectoryModel::rowCount(const QModelIndex &parent) const {
    if (parent.isValid() || m_openDirectory.empty())
        return 0;
    return static_cast<int>(1 + m_path.size() + m_subdirectories.size());
}

ReadDirectoryModel::RowKind ReadDirectoryModel::rowKind(int row) const {
    if (row < currentRow())
        return RowKind::Open;
    return row == currentRow() ? RowKind::Current : RowKind::Closed;
}

int ReadDirectoryModel::depth(int row) const {
    return row <= currentRow() ? row : currentRow() + 1;
}

std::string ReadDirectoryModel::directoryOfRow(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    if (row <= currentRow())
        return filvane::ancestorDirectory(m_openDirectory, static_cast<size_t>(row));
    return filvane::childDirectory(m_openDirectory,
                                   m_subdirectories[static_cast<size_t>(row - currentRow() - 1)]);
}

QVariant ReadDirectoryModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        if (row == 0)
            return qstr(std::string(filvane::RootDirectory));
        if (row <= currentRow())
            return qstr(m_path[static_cast<size_t>(row - 1)]);
        return qstr(m_subdirectories[static_cast<size_t>(row - currentRow() - 1)]);
    case Qt::DecorationRole:
        switch (rowKind(row)) {
        case RowKind::Open:
            return m_openImage;
        case RowKind::Current:
            return m_currentImage;
        case RowKind::Closed:
            return m_closedImage;
        }
        return {};
    case DepthRole:
        return depth(row);
    default:
        return {};
    }
}

void ReadDirectoryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const {
    QStyleOptionViewItem indented = option;
    indented.rect.adjust(Indent * index.data(ReadDirectoryModel::DepthRole).toInt(), 0, 0, 0);
    QStyledItemDelegate::paint(painter, indented, index);
}

QSize ReadDirectoryDelegate::sizeHint(const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += Indent * index.data(ReadDirectoryModel::DepthRole).toInt();
    size.setHeight(ReadDirectoryModel::RowHeight);
    return size;
}
