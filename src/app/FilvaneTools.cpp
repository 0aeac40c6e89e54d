// The main window's name tools, list edits, moves and orders by what the files know: the
// commands of the new-name list's context menu and keys, and of the read list's caption.

#include "app/Filvane.h"

#include "ui_Filvane.h"

#include "app/NameGridModel.h"
#include "app/PlanView.h"
#include "app/RenameReport.h"
#include "controls/QtText.h"
#include "core/names/NameText.h"
#include "core/texts/RenameReasons.h"
#include "dialogs/FillFromTags.h"
#include "dialogs/NameTools.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <utility>

using filvane::SortOrder;
using filvane::UiText;

void TMainForm::addEditCommands() {
    addUndoRedoActions();
    addToolActions();
    addMoveActions();
    QHeaderView *header = ui->ReadGrid->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, &TMainForm::showOrderMenu);
}

void TMainForm::addUndoRedoActions() {
    m_undoEditAction = new QAction(this);
    m_undoEditAction->setShortcut(QKeySequence::Undo);
    addAction(m_undoEditAction);
    connect(m_undoEditAction, &QAction::triggered, this, &TMainForm::undoLast);
    m_redoEditAction = new QAction(this);
    m_redoEditAction->setShortcuts({QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addAction(m_redoEditAction);
    connect(m_redoEditAction, &QAction::triggered, this, [this] { m_edits->stack().redo(); });

    // Keystrokes in a cell reach the grid one by one; the history makes them one step a cell.
    m_nameModel->setCellWriter([this](int row, std::string text) {
        return m_edits->typed(row, std::move(text), qstr(m_texts[UiText::TypingStep]));
    });
}

void TMainForm::addToolActions() {
    // In the order of the context menu (see addNameToolsMenu).
    const auto tool = [this](QKeySequence keys, auto run) {
        auto *action = new QAction(ui->NameGrid);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        ui->NameGrid->addAction(action);
        connect(action, &QAction::triggered, this, run);
        m_toolActions.push_back(action);
    };
    tool(QKeySequence(Qt::CTRL | Qt::Key_T), [this] { showNameTools(NameTool::StripAndTrim); });
    tool(QKeySequence(Qt::CTRL | Qt::Key_H), [this] { showNameTools(NameTool::Replace); });
    tool(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U), [this] { showNameTools(NameTool::Case); });
    tool(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
         [this] { showNameTools(NameTool::Numbering); });
    tool(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { stripNumbers(); });
    tool(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), [this] { fillFromOldNamesStripped(); });
    tool(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), [this] { fillFromTags(); });
    tool(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D),
         [this] { showNameTools(NameTool::SafeNames); });
}

void TMainForm::addMoveActions() {
    for (QTableView *grid : {ui->ReadGrid, ui->NameGrid}) {
        for (const int delta : {-1, 1}) {
            auto *action = new QAction(grid);
            action->setShortcut(QKeySequence(Qt::ALT | (delta < 0 ? Qt::Key_Up : Qt::Key_Down)));
            action->setShortcutContext(Qt::WidgetShortcut);
            grid->addAction(action);
            connect(action, &QAction::triggered, this,
                    [this, grid, delta] { moveSelection(grid, delta); });
        }
    }
}

void TMainForm::showEdits() {
    keepingCurrentRow([this] {
        m_readModel->reload();
        m_nameModel->reload();
    });
}

void TMainForm::undoLast() {
    if (m_edits->stack().canUndo())
        m_edits->stack().undo();
    else
        UndoLastRename();
}

void TMainForm::addNameToolsMenu(QMenu &menu) {
    const bool editable = m_nameModel->isEditable() && m_session.lists().fileCount() > 0;
    const UiText names[] = {UiText::NameToolsAction,    UiText::ReplaceAction,
                            UiText::CaseAction,         UiText::NumberingAction,
                            UiText::StripNumbersAction, UiText::FillStrippedAction,
                            UiText::FillFromTagsAction, UiText::SafeNamesAction};
    for (size_t i = 0; i < m_toolActions.size(); ++i) {
        QAction *action = m_toolActions[i];
        action->setText(qstr(m_texts[names[i]]));
        // Numbering shapes the numbers, not the names: offered also while names are read-only.
        action->setEnabled(editable || (i == 3 && m_session.lists().fileCount() > 0));
        menu.addAction(action);
        if (i == 3)
            menu.addSeparator();
    }
}

FinalNamePreview TMainForm::finalNamePreview() const {
    // The session outlives every dialog that asks; each answer is one row composed.
    return [this](int row, const std::string &typed, const filvane::NumberFormat *numbers) {
        filvane::NameStore names;
        return finalNameText(m_session.planRow(row + 1, names, typed, numbers), m_texts);
    };
}

std::vector<int> TMainForm::selectedNameRows() const {
    std::set<int> rows;
    for (const QModelIndex &index : ui->NameGrid->selectionModel()->selectedIndexes())
        rows.insert(NameGridModel::gridRow(index));
    if (rows.size() < 2)
        return {};
    return {rows.begin(), rows.end()};
}

std::vector<std::string> TMainForm::extensionsAfterNames() const {
    const filvane::NameLists &lists = m_session.lists();
    const filvane::RenameOptions &options = m_session.options();
    std::vector<std::string> extensions;
    extensions.reserve(static_cast<size_t>(lists.fileCount()));
    for (int row = 1; row <= lists.fileCount(); ++row)
        extensions.push_back(options.keepExtension
                                 ? std::string(filvane::extensionOf(lists.oldName(row)))
                                 : filvane::withLeadingDot(options.chosenExtension));
    return extensions;
}

void TMainForm::showNameTools(NameTool tool) {
    // The dialog works on copies: its result comes back as one step of the history.
    if (m_session.lists().fileCount() == 0)
        return;
    TNameToolsForm form(this);
    form.setLanguage(m_texts.language());
    std::vector<int> selected;
    for (int row : selectedNameRows())
        selected.push_back(row - 1);
    const filvane::RenameOptions &options = m_session.options();
    form.setNames(m_session.lists().typedNames(), std::move(selected), options.numbers,
                  options.numbering, finalNamePreview(), extensionsAfterNames());
    form.setTool(static_cast<TNameToolsForm::Tool>(tool));
    if (form.exec() != QDialog::Accepted)
        return;
    const QString step = form.toolName();
    if (form.tool() == TNameToolsForm::Tool::Numbering) {
        m_edits->setNumberFormat(form.numberFormat(), step);
        m_settings.saveOptions(m_session.options());
        return;
    }
    m_edits->editNames(step, [&] { m_session.setNewNames(form.result()); });
    showEdits();
}

void TMainForm::stripNumbers() {
    if (!m_nameModel->isEditable())
        return;
    m_edits->editNames(qstr(m_texts[UiText::StripNumbersAction]), [this] {
        m_session.applyNameTool(filvane::StripNumberTool{}, selectedNameRows());
    });
    showEdits();
}

void TMainForm::fillFromOldNamesStripped() {
    if (!m_nameModel->isEditable())
        return;
    m_edits->editNames(qstr(m_texts[UiText::FillStrippedAction]),
                       [this] { m_session.fillNewNamesFromOldNamesStripped(); });
    showEdits();
}

std::optional<std::vector<filvane::FileFacts>> TMainForm::readFacts(filvane::FactKinds kinds) {
    std::atomic<size_t> done{0}, total{1};
    std::atomic<bool> stop{false}, finished{false};
    filvane::FactsBatch batch;
    // The lists stay as they are while the worker reads: the progress is window-modal.
    std::thread worker([&] {
        batch = m_session.readFacts(kinds, [&](size_t doneNow, size_t totalNow) {
            done = doneNow;
            total = std::max<size_t>(totalNow, 1);
            return !stop.load();
        });
        finished = true;
    });
    {
        RunProgress progress(this, m_texts, m_progressDelayMs, UiText::ReadingFactsLabel);
        while (!finished) {
            if (!progress.update(static_cast<int>(done), static_cast<int>(total)))
                stop = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    worker.join();
    if (batch.stopped)
        return std::nullopt;
    return std::move(batch.facts);
}

void TMainForm::fillFromTags() {
    const filvane::NameLists &lists = m_session.lists();
    if (!m_nameModel->isEditable() || lists.fileCount() == 0)
        return;
    std::optional<std::vector<filvane::FileFacts>> facts =
        readFacts(filvane::FactKinds::Tags | filvane::FactKinds::Photo);
    if (!facts)
        return;
    TFillFromTagsForm form(this);
    form.setLanguage(m_texts.language());
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(lists.fileCount()));
    for (int row = 1; row <= lists.fileCount(); ++row)
        names.emplace_back(lists.oldName(row));
    form.setFiles(std::move(names), *facts, finalNamePreview());
    if (form.exec() != QDialog::Accepted)
        return;
    const std::optional<filvane::NameTemplate> templ =
        filvane::NameTemplate::parse(form.nameTemplate(), nullptr);
    if (!templ)
        return;
    m_edits->editNames(qstr(m_texts[UiText::FillFromTagsAction]).remove(QStringLiteral("...")),
                       [&] { m_session.fillFromFacts(*templ, *facts); });
    showEdits();
    if (form.missingCount() == lists.fileCount())
        QMessageBox::information(this, qstr(filvane::ApplicationTitle),
                                 qstr(m_texts[UiText::NoFactsFound]));
}

void TMainForm::moveSelection(QTableView *grid, int delta) {
    if (!grid->isEnabled() || m_session.lists().fileCount() < 2)
        return;
    std::set<int> rows;
    for (const QModelIndex &index : grid->selectionModel()->selectedIndexes())
        rows.insert(NameGridModel::gridRow(index));
    const QModelIndex current = grid->currentIndex();
    if (rows.empty() && current.isValid())
        rows.insert(NameGridModel::gridRow(current));
    const auto moving = grid == ui->ReadGrid ? filvane::NameLists::Moving::Files
                                             : filvane::NameLists::Moving::NewNames;
    if (grid == ui->NameGrid && !m_nameModel->isEditable())
        return;
    const UiText name = delta < 0 ? UiText::MoveUpAction : UiText::MoveDownAction;
    if (!m_edits->move({rows.begin(), rows.end()}, delta, moving, qstr(m_texts[name])))
        return;
    // The selection follows what moved, so the key can be pressed again.
    QItemSelection moved;
    auto *model = static_cast<NameGridModel *>(grid->model());
    for (int row : rows)
        moved.select(model->index(row - 1 + delta, 0), model->index(row - 1 + delta, 1));
    grid->selectionModel()->select(moved, QItemSelectionModel::ClearAndSelect);
    if (current.isValid())
        grid->selectionModel()->setCurrentIndex(
            model->index(current.row() + delta, current.column()), QItemSelectionModel::NoUpdate);
}

filvane::UiText TMainForm::sortOrderHint(SortOrder order) const {
    switch (order) {
    case SortOrder::Natural:
        return UiText::NaturalOrderHint;
    case SortOrder::Track:
        return UiText::TrackOrderHint;
    case SortOrder::Taken:
        return UiText::TakenOrderHint;
    case SortOrder::Modified:
        return UiText::ModifiedOrderHint;
    case SortOrder::Bytes:
        break;
    }
    return UiText::ByteOrderHint;
}

void TMainForm::showOrderMenu(const QPoint &position) {
    QMenu menu(this);
    const std::pair<SortOrder, UiText> orders[] = {
        {SortOrder::Bytes, UiText::OrderBytesAction},
        {SortOrder::Natural, UiText::OrderNaturalAction},
        {SortOrder::Track, UiText::OrderTrackAction},
        {SortOrder::Taken, UiText::OrderTakenAction},
        {SortOrder::Modified, UiText::OrderModifiedAction}};
    for (const auto &[order, text] : orders) {
        QAction *action = menu.addAction(qstr(m_texts[text]));
        action->setCheckable(true);
        action->setChecked(m_session.sortOrder() == order);
        connect(action, &QAction::triggered, this, [this, order = order] { orderBy(order); });
    }
    menu.exec(ui->ReadGrid->horizontalHeader()->viewport()->mapToGlobal(position));
}

void TMainForm::orderBy(SortOrder order) {
    const std::optional<filvane::FactOrder> byFacts = filvane::factOrderOf(order);
    if (!byFacts || m_session.lists().fileCount() < 2) {
        setSortOrder(order);
        return;
    }
    const std::optional<std::vector<filvane::FileFacts>> facts =
        readFacts(filvane::factsFor(*byFacts));
    if (!facts)
        return; // stopped: the order stays as it was
    m_session.setSortOrder(order, *facts);
    m_settings.saveSortOrder(order);
    reloadGrids();
    showSortOrder();
}
