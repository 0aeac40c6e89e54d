#include "app/LivePlan.h"

#include "ui_LivePlan.h"

#include "app/PlanView.h"
#include "app/RenameConfirmation.h"
#include "controls/QtText.h"
#include "core/RenameSession.h"
#include "core/plan/Preflight.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTimer>

#include <algorithm>

using filvane::UiText;

namespace {

// An update this quick starts at the next turn of the event loop; a slower one waits for a pause
// in the changes as long as it takes, so that a burst of keys makes one update, not one each.
constexpr double QuickUpdateMs = 20;
constexpr int LongestWaitMs = 1000;

} // namespace

// One update: the copy it is made from, and the plan checked, which points into the copy.
struct TLivePlanForm::Update {
    filvane::PlanSource source;
    filvane::RenamePlan plan;
    QElapsedTimer clock;
    double blockingMs = 0;
};

TLivePlanForm::TLivePlanForm(const filvane::RenameSession &session,
                             const filvane::StoredTexts &texts, QWidget *parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::TLivePlanForm>()), m_session(session),
      m_texts(texts), m_update(std::make_shared<Update>()) {
    ui->setupUi(this);
    // Opened beside the main window, it leaves the keys there: typing goes on in the lists.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_model =
        std::make_unique<PlanModel>(m_update->plan, texts, nullptr, PlanModel::Order::AsListed);
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

TLivePlanForm::~TLivePlanForm() {
    if (m_worker.joinable())
        m_worker.join();
}

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
                         : std::min(LongestWaitMs, static_cast<int>(m_lastUpdateMs));
    m_timer->start(wait);
}

bool TLivePlanForm::pending() const {
    return m_stale || m_worker.joinable();
}

void TLivePlanForm::refresh() {
    m_timer->stop();
    if (m_worker.joinable())
        return; // taken up when the update under way ends
    auto update = std::make_shared<Update>();
    update->clock.start();
    update->source = m_session.planSource();
    update->blockingMs = static_cast<double>(update->clock.nsecsElapsed()) / 1e6;
    m_stale = false;
    m_worker = std::thread([this, update] {
        update->plan = update->source.plan();
        filvane::checkPlan(update->plan);
        // Queued to this window: dropped if it is gone by then.
        QMetaObject::invokeMethod(
            this, [this, update] { showUpdate(update); }, Qt::QueuedConnection);
    });
}

void TLivePlanForm::showUpdate(const std::shared_ptr<Update> &update) {
    m_worker.join();
    QElapsedTimer clock;
    clock.start();
    // The view keeps its place: the same top row and current row after the update.
    QTableView *table = ui->PlanTable;
    const QModelIndex top = table->indexAt(QPoint(0, 0));
    const QModelIndex current = table->currentIndex();
    m_model->setPlan(update->plan);
    m_update = update; // the plan shown, and the copy its names point into
    if (current.isValid() && current.row() < m_model->rowCount())
        table->setCurrentIndex(m_model->index(current.row(), current.column()));
    if (top.isValid() && top.row() < m_model->rowCount())
        table->scrollTo(m_model->index(top.row(), 0), QAbstractItemView::PositionAtTop);
    showSummary();
    m_lastUpdateMs = static_cast<double>(update->clock.nsecsElapsed()) / 1e6;
    m_lastBlockingMs = update->blockingMs + static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (m_stale && isVisible())
        planChanged();
}

void TLivePlanForm::showSummary() {
    const filvane::Preflight empty;
    const filvane::RenamePlan &shown = plan();
    ui->SummaryLabel->setText(
        planSummary(shown.preflight ? *shown.preflight : empty, shown.directory, m_texts));
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

const filvane::RenamePlan &TLivePlanForm::plan() const {
    return m_update->plan;
}

void TLivePlanForm::closeEvent(QCloseEvent *event) {
    m_timer->stop();
    if (m_closed)
        m_closed();
    QWidget::closeEvent(event);
}
