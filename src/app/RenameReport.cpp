#include "app/RenameReport.h"

#include "controls/ItemViewClipboard.h"
#include "controls/QtText.h"
#include "core/texts/RenameReasons.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTreeView>

#include <algorithm>
#include <string>

using filvane::UiText;

namespace {

// How many rows the list shows before it scrolls, and how wide a name column grows at most.
constexpr int VisibleRows = 12;
constexpr int MaxNameColumnWidth = 260;
constexpr int ColumnGap = 16;

// The failed rows of a run, read in place from its outcomes: the texts are made only for the
// rows a view asks about, so a report of tens of thousands of rows costs little memory.
class FailureListModel : public QAbstractTableModel {
public:
    FailureListModel(const std::vector<filvane::RowOutcome> &rows, std::vector<int> failed,
                     const filvane::StoredTexts &texts, QObject *parent)
        : QAbstractTableModel(parent), m_rows(rows), m_failed(std::move(failed)),
          m_texts(texts), m_headers{qstr(texts[UiText::ReportOldNameColumn]),
                                    qstr(texts[UiText::ReportNewNameColumn]),
                                    qstr(texts[UiText::ReportReasonColumn])} {}

    int rowCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_failed.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex &index, int role) const override {
        // The whole name as tool tip, where the column cuts it.
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const filvane::RowOutcome &row = m_rows[static_cast<size_t>(m_failed[index.row()])];
        switch (index.column()) {
        case 0:
            return qstr(filvane::readableName(row.oldName));
        case 1:
            return qstr(filvane::readableName(row.newName));
        default:
            return qstr(filvane::failureReasonText(row, m_texts));
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 3)
            return m_headers[section];
        return {};
    }

private:
    const std::vector<filvane::RowOutcome> &m_rows;
    std::vector<int> m_failed;
    const filvane::StoredTexts &m_texts;
    QString m_headers[3];
};

// Seen at a glance, without a scroll bar, up to a dozen rows; beyond that the list scrolls.
QTreeView *makeFailureList(const std::vector<filvane::RowOutcome> &rows, std::vector<int> failed,
                           const filvane::StoredTexts &texts, QWidget *parent) {
    auto *list = new QTreeView(parent);
    list->setObjectName(QStringLiteral("FailureList"));
    const int count = static_cast<int>(failed.size());
    list->setModel(new FailureListModel(rows, std::move(failed), texts, list));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setTextElideMode(Qt::ElideMiddle); // the extension at the end stays visible
    // Ctrl+C copies the selected rows, or all of them when none is selected, as tab-separated
    // lines: a long list is easier to work through elsewhere.
    addCopyAction(list, CopyWhenNothingSelected::AllRows);

    int width = list->frameWidth() * 2 + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int column = 0; column < 3; ++column) {
        list->resizeColumnToContents(column); // measures the first rows only
        const int padded = list->columnWidth(column) + ColumnGap;
        list->setColumnWidth(column, column < 2 ? std::min(padded, MaxNameColumnWidth) : padded);
        width += list->columnWidth(column);
    }
    const int rowHeight = std::max(list->sizeHintForRow(0), 1);
    const int visible = std::min(count, VisibleRows);
    list->setMinimumWidth(std::max(width, 420));
    list->setFixedHeight(list->header()->sizeHint().height() + visible * rowHeight +
                         list->frameWidth() * 2 + 2);
    return list;
}

// The list goes between the summary and the buttons, in the text's column.
void insertAboveButtons(QMessageBox *box, QWidget *widget) {
    auto *grid = qobject_cast<QGridLayout *>(box->layout());
    auto *buttons = box->findChild<QDialogButtonBox *>();
    const int index = grid && buttons ? grid->indexOf(buttons) : -1;
    if (index < 0) {
        box->layout()->addWidget(widget);
        return;
    }
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    delete grid->takeAt(index);
    grid->addWidget(widget, row, 0, 1, grid->columnCount());
    grid->addWidget(buttons, row + 1, column, rowSpan, columnSpan);
}

} // namespace

std::unique_ptr<QMessageBox> makeRenameReport(const std::vector<filvane::RowOutcome> &rows,
                                              const filvane::StoredTexts &texts, QWidget *parent) {
    std::vector<int> failed;
    for (size_t i = 0; i < rows.size(); ++i)
        if (filvane::isFailure(rows[i]))
            failed.push_back(static_cast<int>(i));
    if (failed.empty())
        return nullptr;
    const std::string summary = filvane::fillText(
        texts.counted(UiText::ReportSummary, filvane::triedRowCount(rows)),
        {std::to_string(failed.size()), std::to_string(filvane::triedRowCount(rows))});
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, qstr(filvane::ApplicationTitle),
                                             qstr(summary), QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    insertAboveButtons(box.get(), makeFailureList(rows, std::move(failed), texts, box.get()));
    return box;
}

RunProgress::RunProgress(QWidget *parent, const filvane::StoredTexts &texts, int delayMs,
                         UiText label)
    : m_parent(parent), m_texts(texts), m_delayMs(delayMs), m_label(label) {
    m_sinceStart.start();
}

RunProgress::~RunProgress() = default;

bool RunProgress::update(int done, int total) {
    if (!m_dialog) {
        if (m_sinceStart.elapsed() < m_delayMs || done >= total)
            return true;
        show(total);
        refresh(done, total);
    } else if (m_sinceRefresh.elapsed() >= 40 || done >= total) {
        // Repainting and looking for the Stop click after every file would cost more than many
        // renames; a few times a second keeps the count moving and Stop prompt.
        refresh(done, total);
    }
    return !m_dialog->wasCanceled();
}

void RunProgress::show(int total) {
    m_dialog = std::make_unique<QProgressDialog>(m_parent);
    m_dialog->setObjectName(QStringLiteral("RenameProgress"));
    m_dialog->setWindowTitle(qstr(filvane::ApplicationTitle));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setCancelButtonText(qstr(m_texts[UiText::ProgressStop]));
    // Shown by us once the delay is over; the dialog's own timer would not run before then.
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setRange(0, total);
    m_dialog->setMinimumWidth(320); // room for the longest count without the window jumping
    m_dialog->show();
}

void RunProgress::refresh(int done, int total) {
    m_dialog->setLabelText(
        qstr(filvane::fillText(m_texts[m_label], {std::to_string(done), std::to_string(total)})));
    m_dialog->setValue(done);
    // The run holds the one GUI thread: this is where the dialog paints and Stop is heard.
    QApplication::processEvents();
    m_sinceRefresh.restart();
}
