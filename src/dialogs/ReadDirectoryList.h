#pragma once

#include <QAbstractListModel>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <string>
#include <vector>

// The rows of the read dialog's directory list: the root, each directory on the path below it,
// the open directory, then its subdirectories. Names stay bytes as stored, so a row opens the
// very directory it came from even when its name is not valid UTF-8.
class ReadDirectoryModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class RowKind { Open, Current, Closed };
    static constexpr int DepthRole = Qt::UserRole + 1;
    static constexpr int RowHeight = 16;

    explicit ReadDirectoryModel(QObject *parent = nullptr);

    // Shows a new listing with one model reset.
    void setListing(const std::string &openDirectory, std::vector<std::string> subdirectories);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    int currentRow() const { return static_cast<int>(m_path.size()); }
    RowKind rowKind(int row) const;
    int depth(int row) const;
    std::string directoryOfRow(int row) const;

private:
    std::string m_openDirectory;
    std::vector<std::string> m_path; // components below the root, the open directory last
    std::vector<std::string> m_subdirectories;
    QPixmap m_openImage;
    QPixmap m_currentImage;
    QPixmap m_closedImage;
};

// Indents each row by its depth, as a tree would, and keeps every row the same height.
class ReadDirectoryDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int Indent = 8;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
