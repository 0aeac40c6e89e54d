#include "app/PlanView.h"

#include "controls/QtText.h"
#include "core/names/NameText.h"
#include "core/texts/RenameReasons.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

using filvane::PreflightFinding;
using filvane::RenameOutcome;
using filvane::UiText;

QString finalNameText(const filvane::RowOutcome &row, const filvane::StoredTexts &texts) {
    switch (row.outcome) {
    case RenameOutcome::Blank:
        return {};
    case RenameOutcome::RefusedName:
        return qstr(
            filvane::readableName(row.oldName) + "  (" +
            texts[row.noBaseName ? UiText::PreflightNoBaseNameWord : UiText::ReasonNameNotAllowed] +
            ": " + filvane::readableName(row.newName) + ")");
    default:
        return qstr(filvane::readableName(row.newName));
    }
}

std::string findingWord(const filvane::PreflightRow &row, const filvane::RenamePlan &plan,
                        const filvane::StoredTexts &texts) {
    switch (row.finding) {
    case PreflightFinding::Unnamed:
        return texts[UiText::PreflightUnnamedWord];
    case PreflightFinding::Refused:
        return texts[UiText::ReasonNameNotAllowed];
    case PreflightFinding::Taken:
        return texts[UiText::PreflightTakenWord];
    case PreflightFinding::Duplicate:
        return filvane::fillText(texts[UiText::PreflightDuplicateWord],
                                 {plan.numberOf(row.otherRow)});
    case PreflightFinding::TooLong:
        return texts[UiText::PreflightTooLongWord];
    case PreflightFinding::NoBaseName:
        return texts[UiText::PreflightNoBaseNameWord];
    case PreflightFinding::Held:
        return filvane::fillText(texts[UiText::PreflightHeldWord], {plan.numberOf(row.otherRow)});
    case PreflightFinding::NotOnThisDrive:
        return filvane::fillText(texts[UiText::ReasonNotOnDrive], {row.refused});
    }
    return {};
}

PlanModel::PlanModel(const filvane::RenamePlan &plan, const filvane::StoredTexts &texts,
                     QObject *parent, Order order)
    : QAbstractTableModel(parent), m_plan(&plan), m_texts(texts), m_orderKind(order) {
    indexRows();
}

void PlanModel::setPlan(const filvane::RenamePlan &plan) {
    beginResetModel();
    m_plan = &plan;
    indexRows();
    endResetModel();
}

void PlanModel::indexRows() {
    const filvane::RenamePlan &plan = *m_plan;
    m_findingOfRow.assign(plan.rows.size(), -1);
    if (plan.preflight) {
        const std::vector<filvane::PreflightRow> &found = plan.preflight->rows;
        // Findings name plan rows by number, and plan rows are numbered from 1 in order.
        for (size_t i = 0; i < found.size(); ++i) {
            const size_t at = static_cast<size_t>(found[i].row) - 1;
            if (at < m_findingOfRow.size())
                m_findingOfRow[at] = static_cast<int>(i);
        }
    }
    m_order.clear();
    m_order.reserve(plan.rows.size());
    const bool findingsFirst = m_orderKind == Order::FindingsFirst;
    for (int pass = findingsFirst ? 0 : 1; pass < 2; ++pass)
        for (size_t at = 0; at < plan.rows.size(); ++at)
            if (plan.rows[at].outcome != RenameOutcome::Blank &&
                (!findingsFirst || (m_findingOfRow[at] >= 0) == (pass == 0)))
                m_order.push_back(static_cast<int>(at));
}

int PlanModel::shownRowOf(int row) const {
    if (m_orderKind == Order::AsListed) {
        // Only a blank row is left out, and a plan with files has none.
        const int shown = row - 1;
        return shown >= 0 && shown < rowCount() && m_order[static_cast<size_t>(shown)] == shown
                   ? shown
                   : -1;
    }
    const auto found = std::find(m_order.begin(), m_order.end(), row - 1);
    return found == m_order.end() ? -1 : static_cast<int>(found - m_order.begin());
}

int PlanModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int PlanModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

const filvane::RowOutcome &PlanModel::planRow(int row) const {
    return m_plan->rows[static_cast<size_t>(m_order[static_cast<size_t>(row)])];
}

const filvane::PreflightRow *PlanModel::finding(int row) const {
    const int found = m_findingOfRow[static_cast<size_t>(m_order[static_cast<size_t>(row)])];
    return found < 0 ? nullptr : &m_plan->preflight->rows[static_cast<size_t>(found)];
}

QString PlanModel::cellText(int row, int column) const {
    if (row < 0 || row >= rowCount())
        return {};
    const filvane::RowOutcome &planned = planRow(row);
    const filvane::PreflightRow *found = finding(row);
    // A file whose name is refused, taken, repeated or too long keeps its old name; one without
    // a typed name still gets the name shown, which is why that is a finding at all.
    const bool kept = planned.outcome == RenameOutcome::RefusedName ||
                      (found && found->finding != PreflightFinding::Unnamed);
    switch (column) {
    case RowColumn:
        return qstr(m_plan->numberOf(planned.row));
    case OldNameColumn:
        return qstr(filvane::readableName(planned.oldName));
    case FinalNameColumn:
        return qstr(filvane::readableName(kept ? planned.oldName : planned.newName));
    case FindingColumn:
        if (found) {
            std::string text = findingWord(*found, *m_plan, m_texts);
            if (kept)
                text += ": " + filvane::readableName(planned.newName);
            return qstr(text);
        }
        return planned.newName == planned.oldName ? qstr(m_texts[UiText::PlanUnchangedWord])
                                                  : QString();
    }
    return {};
}

QVariant PlanModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return cellText(index.row(), index.column());
}

QVariant PlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case RowColumn:
        return qstr(std::string(filvane::NumberCaption));
    case OldNameColumn:
        return qstr(m_texts[UiText::ReportOldNameColumn]);
    case FinalNameColumn:
        return qstr(m_texts[UiText::ReportNewNameColumn]);
    case FindingColumn:
        return qstr(m_texts[UiText::PlanFindingColumn]);
    }
    return {};
}

QString PlanModel::allText() const {
    QString text;
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < ColumnCount; ++column) {
            if (column > 0)
                text += QLatin1Char('\t');
            text += cellText(row, column);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

PlanView::PlanView(const filvane::RenamePlan &plan, const filvane::StoredTexts &texts,
                   QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(qstr(texts[UiText::PlanCaption]));
    resize(640, 400);
    m_model = new PlanModel(plan, texts, this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    // Fixed row heights and no sizing to contents: the view then never walks all rows.
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(PlanModel::RowColumn, 50);
    m_table->setColumnWidth(PlanModel::OldNameColumn, 200);
    m_table->setColumnWidth(PlanModel::FinalNameColumn, 200);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *copy =
        buttons->addButton(qstr(texts[UiText::PlanCopy]), QDialogButtonBox::ActionRole);
    QPushButton *close =
        buttons->addButton(qstr(texts[UiText::PlanClose]), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(copy, &QPushButton::clicked, this, &PlanView::copyAll);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
}

void PlanView::copyAll() const {
    QGuiApplication::clipboard()->setText(m_model->allText());
}
