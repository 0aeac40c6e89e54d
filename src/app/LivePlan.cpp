#include "app/LivePlan.h"

#include "ui_LivePlan.h"

#include "app/PlanView.h"
#include "app/RenameConfirmation.h"
#include "controls/QtText.h"
#include "core/Preflight.h"
#include "core/RenameSession.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTimer>

#include <algorithm>

using filvane::UiText;

namespace {

// An update this quick is shown at the next turn of the event loop; a slower one waits for a
// pause in the changes twice as long as it takes, so that it never runs between two keys.
constexpr double QuickUpdateMs = 20;
constexpr int LongestWaitMs = 1000;

} // namespace

TLivePlanForm::TLivePlanForm(const filvane::RenameSession &session,
                             const filvane::StoredTexts &texts, QWidget *parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::TLivePlanForm>()), m_session(session),
      m_texts(texts), m_plan(std::make_unique<filvane::RenamePlan>()) {
    ui->setupUi(this);
    // Opened beside the main window, it leaves the keys there: typing goes on in the lists.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_model = std::make_unique<PlanModel>(*m_plan, texts, nullptr, PlanModel::Order::AsListed);
    QTableView *table = ui->PlanTable;
    table->setModel(m_model.get());
    // Fixed row heights and no sizing to contents: the view then never walks all rows.
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(20);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(PlanModel::RowColumn, 50);
    table->setColumnWidth(PlanModel::OldNameColumn, 200);
    table->setColumnWidth(PlanModel::FinalNameColumn, 200);

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TLivePlanForm::refresh);
    connect(ui->CloseBtn, &QPushButton::clicked, this, &TLivePlanForm::CloseBtnClick);
    connect(ui->CopyBtn, &QPushButton::clicked, this, &TLivePlanForm::CopyBtnClick);
    applyTexts();
}

TLivePlanForm::~TLivePlanForm() = default;

void TLivePlanForm::applyTexts() {
    setWindowTitle(qstr(m_texts[UiText::LivePlanCaption]));
    ui->CopyBtn->setText(qstr(m_texts[UiText::PlanCopy]));
    ui->CloseBtn->setText(qstr(m_texts[UiText::PlanClose]));
    emit m_model->headerDataChanged(Qt::Horizontal, 0, PlanModel::ColumnCount - 1);
    planChanged(); // the findings' words
}

void TLivePlanForm::planChanged() {
    m_stale = true;
    if (!isVisible())
        return; // shown again, it composes the plan then
    const int wait = m_lastUpdateMs < QuickUpdateMs
                         ? 0
                         : std::min(LongestWaitMs, static_cast<int>(2 * m_lastUpdateMs));
    m_timer->start(wait);
}

bool TLivePlanForm::pending() const {
    return m_stale;
}

void TLivePlanForm::refresh() {
    m_timer->stop();
    QElapsedTimer clock;
    clock.start();
    auto plan = std::make_unique<filvane::RenamePlan>(m_session.plan());
    // The old names point into the lists, which may change before the next update.
    for (filvane::RowOutcome &row : plan->rows)
        row.oldName = plan->names.add(row.oldName);
    filvane::checkPlan(*plan);
    // The view keeps its place: the same top row and current row after the update.
    QTableView *table = ui->PlanTable;
    const QModelIndex top = table->indexAt(QPoint(0, 0));
    const QModelIndex current = table->currentIndex();
    m_model->setPlan(*plan);
    m_plan = std::move(plan);
    if (current.isValid() && current.row() < m_model->rowCount())
        table->setCurrentIndex(m_model->index(current.row(), current.column()));
    if (top.isValid() && top.row() < m_model->rowCount())
        table->scrollTo(m_model->index(top.row(), 0), QAbstractItemView::PositionAtTop);
    showSummary();
    m_stale = false;
    m_lastUpdateMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void TLivePlanForm::showSummary() {
    const filvane::Preflight empty;
    ui->SummaryLabel->setText(
        planSummary(m_plan->preflight ? *m_plan->preflight : empty, m_plan->directory, m_texts));
}

void TLivePlanForm::showListRow(int row) {
    const int shown = m_model->shownRowOf(row);
    if (shown >= 0)
        ui->PlanTable->scrollTo(m_model->index(shown, 0));
}

void TLivePlanForm::CloseBtnClick() {
    close();
}

void TLivePlanForm::CopyBtnClick() {
    QGuiApplication::clipboard()->setText(m_model->allText());
}

void TLivePlanForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void TLivePlanForm::closeEvent(QCloseEvent *event) {
    m_timer->stop();
    if (m_closed)
        m_closed();
    QWidget::closeEvent(event);
}
