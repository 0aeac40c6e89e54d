#include "app/Filvane.h"

#include "ui_Filvane.h"

#include "app/CommandLine.h"
#include "app/ListEdits.h"
#include "app/LivePlan.h"
#include "app/NameGridModel.h"
#include "app/PlanView.h"
#include "app/RenameConfirmation.h"
#include "app/RenameReport.h"
#include "app/Startup.h"
#include "controls/AccessibleText.h"
#include "controls/ButtonGlyphs.h"
#include "controls/FixedColumnGrid.h"
#include "controls/ItemViewClipboard.h"
#include "controls/QtText.h"
#include "controls/WindowSetup.h"
#include "core/listing/SearchPattern.h"
#include "core/names/NameText.h"
#include "core/run/Rename.h"
#include "core/texts/ErrorText.h"
#include "core/texts/RenameReasons.h"
#include "dialogs/About.h"
#include "dialogs/Option.h"
#include "dialogs/Read.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

#include <algorithm>
#include <cerrno>

using filvane::Language;
using filvane::UiText;

namespace {

// The keys of the toolbar commands. F2 is left to the new-name list, where it edits the
// current cell as in any grid; Rename asks before it acts, but should not come by accident.
QKeySequence readKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_O);
}
QKeySequence clearKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_L);
}
QKeySequence renameKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_R);
}
QKeySequence optionsKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_Comma);
}
QKeySequence aboutKeys() {
    return QKeySequence(Qt::Key_F1);
}
QKeySequence languageKeys() {
    return QKeySequence(Qt::Key_F12);
}
QKeySequence closeKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_Q);
}
QKeySequence livePlanKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_P);
}

// The widest row number the grids show before they widen their number column.
constexpr int NumberColumnWidth = 30;

} // namespace

TMainForm::TMainForm(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::TMainForm>()) {
    // The compiled resources sit in a static library; naming them here keeps the linker from
    // dropping them, which would leave every button and the language switch without a picture.
    Q_INIT_RESOURCE(filvane);
    ui->setupUi(this);
    setFixedWindowFlags(this, Qt::Window);
    setButtonIcons();

    m_edits = std::make_unique<ListEdits>(m_session, [this] { showEdits(); });
    createGridModels();
    setupNameGrid();
    addClipboardActions();
    addCommandShortcuts();
    addLivePlan();
    // Ctrl+Z takes back the last run; a cell editor open at the time keeps Ctrl+Z for its text.
    m_undoAction = new QAction(this);
    connect(m_undoAction, &QAction::triggered, this, &TMainForm::UndoLastRename);
    addEditCommands();
    addListMenus();
    setAcceptDrops(true);
    connectToolbar();
    setupLanguageSwitch();

    FormCreate();

    centreOnScreen(this);
}

void TMainForm::setButtonIcons() {
    ui->ReadBtn->setIcon(twinIcon(QStringLiteral(":/images/read.png")));
    ui->ClrBtn->setIcon(twinIcon(QStringLiteral(":/images/clear.png")));
    ui->RenBtn->setIcon(twinIcon(QStringLiteral(":/images/rename.png")));
    ui->OptionsBtn->setIcon(twinIcon(QStringLiteral(":/images/options.png")));
    ui->CloseBtn->setIcon(twinIcon(QStringLiteral(":/images/close.png")));
    ui->AboutBtn->setIcon(QIcon(transparentPixmap(QStringLiteral(":/images/about.png"))));
}

void TMainForm::createGridModels() {
    // The grids show the session's names; their number columns are made from its options.
    using Side = filvane::NameLists::Side;
    const filvane::NameLists &lists = m_session.lists();
    m_readModel = std::make_unique<NameGridModel>(
        lists.readList(), [this](int row) { return m_session.numberCell(Side::Read, row); },
        nullptr);
    m_nameModel = std::make_unique<NameGridModel>(
        lists.nameList(), [this](int row) { return m_session.numberCell(Side::NewNames, row); },
        nullptr);
    m_nameModel->setEditable(true);
    setupGrid(ui->ReadGrid, m_readModel.get());
    setupGrid(ui->NameGrid, m_nameModel.get());
    ui->ReadGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    keepRowsSideBySide(ui->ReadGrid, ui->NameGrid);
}

void TMainForm::setupNameGrid() {
    m_nameDelegate = new NameGridDelegate(ui->NameGrid);
    ui->NameGrid->setItemDelegate(m_nameDelegate);
    ui->NameGrid->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::AnyKeyPressed);
    m_nameModel->setToolTipSource([this](int row) {
        filvane::NameStore names;
        return finalNameText(m_session.planRow(row, names), m_texts);
    });
    ui->NameGrid->installEventFilter(this);
    ui->ReadGrid->installEventFilter(this);
    // Tab goes from the new-name list to the read list and on, Shift+Tab back; inside a list
    // the arrow keys move, and there is one column to type in.
    for (QTableView *grid : {ui->NameGrid, ui->ReadGrid})
        grid->setTabKeyNavigation(false);
    QWidget::setTabOrder(ui->NameGrid, ui->ReadGrid);
    connect(m_nameDelegate, &NameGridDelegate::tabPressed, this,
            [this](bool backwards) { focusNextPrevChild(!backwards); });
    connect(m_nameDelegate, &NameGridDelegate::enterPressed, this, &TMainForm::moveNameGridDown);
}

void TMainForm::addClipboardActions() {
    // While a cell editor is open it has the keyboard, and Ctrl+C and Ctrl+V work on its text.
    addCopyAction(ui->ReadGrid, CopyWhenNothingSelected::CurrentCell);
    m_copyNamesAction = addCopyAction(ui->NameGrid, CopyWhenNothingSelected::CurrentCell);
    m_pasteAction = new QAction(ui->NameGrid);
    m_pasteAction->setShortcut(QKeySequence::Paste);
    m_pasteAction->setShortcutContext(Qt::WidgetShortcut);
    ui->NameGrid->addAction(m_pasteAction);
    connect(m_pasteAction, &QAction::triggered, this, &TMainForm::pasteNewNames);
}

void TMainForm::addLivePlan() {
    m_livePlanAction = new QAction(this);
    m_livePlanAction->setShortcut(livePlanKeys());
    addAction(m_livePlanAction);
    connect(m_livePlanAction, &QAction::triggered, this, &TMainForm::showLivePlan);
    // Every change of the lists reaches the models: typing as a changed cell, the rest as a
    // reset. The live plan hears of each.
    const auto planChanged = [this] {
        if (m_livePlan)
            m_livePlan->planChanged();
    };
    connect(m_nameModel.get(), &QAbstractItemModel::dataChanged, this, planChanged);
    connect(m_nameModel.get(), &QAbstractItemModel::modelReset, this, planChanged);
    connect(m_readModel.get(), &QAbstractItemModel::modelReset, this, planChanged);
}

void TMainForm::addListMenus() {
    for (QTableView *grid : {ui->ReadGrid, ui->NameGrid}) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid](const QPoint &position) { showListContextMenu(grid, position); });
    }
    ui->ReadGrid->horizontalHeader()->setSectionsClickable(true);
    connect(ui->ReadGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TMainForm::ReadGridHeaderClick);
}

void TMainForm::connectToolbar() {
    connect(ui->ReadBtn, &QToolButton::clicked, this, &TMainForm::ReadBtnClick);
    connect(ui->ClrBtn, &QToolButton::clicked, this, &TMainForm::ClrBtnClick);
    connect(ui->RenBtn, &QToolButton::clicked, this, &TMainForm::RenBtnClick);
    connect(ui->OptionsBtn, &QToolButton::clicked, this, &TMainForm::OptionsBtnClick);
    connect(ui->AboutBtn, &QToolButton::clicked, this, &TMainForm::AboutBtnClick);
    connect(ui->CloseBtn, &QToolButton::clicked, this, &TMainForm::CloseBtnClick);
}

void TMainForm::setupLanguageSwitch() {
    // Glyphs, then handlers, then the state. Writing sOn with the handlers connected runs
    // LngSwitchOn once before FormCreate, and that is what first writes the column captions.
    ui->LngSwitch->setOnGlyph(QImage(QStringLiteral(":/glyphs/flag_on.bmp")));
    ui->LngSwitch->setOffGlyph(QImage(QStringLiteral(":/glyphs/flag_off.bmp")));
    connect(ui->LngSwitch, &TepBMPSwitch::OnOn, this, &TMainForm::LngSwitchOn);
    connect(ui->LngSwitch, &TepBMPSwitch::OnOff, this, &TMainForm::LngSwitchOff);
    ui->LngSwitch->setState(TepBMPSwitch::TState::sOn);
}

TMainForm::~TMainForm() = default;

void TMainForm::attachDialogs(TReadForm *read, TAboutForm *about, TOptionsForm *options) {
    m_readForm = read;
    m_aboutForm = about;
    m_optionsForm = options;
    passTextsToDialogs();
}

void TMainForm::passTextsToDialogs() {
    if (m_readForm)
        m_readForm->setTexts(m_texts);
    if (m_optionsForm) {
        m_optionsForm->setTexts(m_texts);
        m_optionsForm->setLastExtension(m_session.lastExtension());
    }
}

QTableView *TMainForm::readGrid() const {
    return ui->ReadGrid;
}
QTableView *TMainForm::nameGrid() const {
    return ui->NameGrid;
}

void TMainForm::addCommandShortcuts() {
    const auto add = [this](const QKeySequence &keys, auto press) {
        auto *action = new QAction(this);
        action->setShortcut(keys);
        addAction(action);
        connect(action, &QAction::triggered, this, press);
    };
    // Through the buttons, so a disabled command stays disabled from the keyboard too.
    add(readKeys(), [this] { ui->ReadBtn->click(); });
    add(clearKeys(), [this] { ui->ClrBtn->click(); });
    add(renameKeys(), [this] { ui->RenBtn->click(); });
    add(optionsKeys(), [this] { ui->OptionsBtn->click(); });
    add(aboutKeys(), [this] { ui->AboutBtn->click(); });
    add(languageKeys(), [this] { ui->LngSwitch->toggle(); });
    add(closeKeys(), [this] { ui->CloseBtn->click(); });
}

void TMainForm::setupGrid(QTableView *grid, NameGridModel *model) {
    grid->setModel(model);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->horizontalHeader()->setFixedHeight(20);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TMainForm::FormCreate() {
    ApplyEnglish();
}

void TMainForm::FormActivate() {
    ui->RenBtn->setEnabled(false);
    setNameGridEnabled(false);
    for (QToolButton *button : {ui->ReadBtn, ui->RenBtn, ui->OptionsBtn, ui->CloseBtn, ui->ClrBtn})
        button->resize(button->width(), 25);
    for (QTableView *grid : {ui->ReadGrid, ui->NameGrid}) {
        grid->setColumnWidth(0, 30);
        grid->setColumnWidth(1, 170);
    }
    m_session.setCaption(0, std::string(filvane::NumberCaption));
    m_session.setNumbering(true);
    m_session.setKeepExtension(true);
    m_session.setCaption(1, m_texts[UiText::ColumnCaption]);
    m_readModel->captionsChanged();
    m_nameModel->captionsChanged();
    showItemCount(0);
}

bool TMainForm::event(QEvent *event) {
    // Only the first activation counts: returning from a modal dialog activates us again.
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        FormActivate();
    }
    return QWidget::event(event);
}

void TMainForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // A new main window is normally activated by the desktop; ask for it, so the first
    // activation also comes where nothing would give it (no window manager, focus stealing
    // prevention).
    if (!m_activated)
        activateWindow();
}

void TMainForm::ReadBtnClick() {
    bool accepted = false;
    if (m_readForm) {
        m_readForm->exec();
        accepted = m_readForm->isAccepted();
        m_settings.saveWindowPosition(RememberedWindow::Read, m_readForm->pos());
    }
    if (accepted) {
        readDirectory(m_readForm->openDirectory(), m_readForm->searchPattern());
        m_settings.saveLastFolder(m_readForm->openVolume(), m_readForm->openDirectory());
        m_settings.saveMask(filvane::splitSearchPattern(m_readForm->searchPattern()).mask);
    }
    // Read empties the new names. Left with Cancel that is one step Ctrl+Z takes back; a new
    // listing starts afresh.
    m_edits->editNames(qstr(m_texts[UiText::ClearNamesStep]),
                       [this] { m_session.clearNewNames(); });
    if (accepted)
        m_edits->clear();
    keepingCurrentRow([this] { m_nameModel->reload(); });
    showItemCount(m_session.lists().fileCount());
    if (accepted) {
        // Typing starts at once: the first new name, beside the first file. The desktop gives
        // the window back its activation when the dialog closes; ask for it too, so the keys
        // also come here where nothing does that (no window manager).
        activateWindow();
        focusFirstNewName();
    }
}

void TMainForm::readDirectory(const std::string &listingDirectory,
                              const std::string &searchPattern) {
    ui->RenBtn->setEnabled(true);
    setNameGridEnabled(true);
    m_session.read(listingDirectory, searchPattern);
    reloadGrids();
    warnIfTooManyFiles();
}

void TMainForm::warnIfTooManyFiles() {
    const filvane::NameLists &lists = m_session.lists();
    // A folder that is no longer there lists as empty without a box: the count of 0 says there
    // is nothing to rename, and no file of it is at risk. Any other failure (no access, a path
    // too long) is said, so that a folder that cannot be read is not taken for an empty one.
    if (lists.listError() != 0 && lists.listError() != ENOENT)
        QMessageBox::warning(this, qstr(filvane::ApplicationTitle),
                             qstr(filvane::errorText(lists.listError(), m_texts)));
    else if (lists.tooManyFiles())
        QMessageBox::warning(
            this, qstr(filvane::ApplicationTitle),
            qstr(filvane::fillText(m_texts[UiText::TooManyFiles],
                                   {std::to_string(filvane::NameLists::MaxFiles)})));
}

void TMainForm::readFiles(const std::string &folder, const std::vector<std::string> &files) {
    ui->RenBtn->setEnabled(true);
    setNameGridEnabled(true);
    m_session.readFiles(folder, files);
    reloadGrids();
    focusFirstNewName();
}

void TMainForm::focusFirstNewName() {
    // Where typing and Ctrl+V go: the first new name, beside the first file.
    ui->NameGrid->setFocus();
    ui->NameGrid->setCurrentIndex(m_nameModel->index(0, 1));
}

void TMainForm::ClrBtnClick() {
    m_session.clear();
    reloadGrids();
    showItemCount(0);
    ui->RenBtn->setEnabled(false);
}

void TMainForm::RenBtnClick() {
    filvane::RenameResult result;
    // One plan per click: the question shows what it found, and the run carries it out.
    filvane::RenamePlan plan = m_session.checkedPlan();
    const RenameConfirmation::Answer answer = askRenameQuestion(plan);
    // No leaves everything as it was: listing again would move typed names onto other files.
    if (answer == RenameConfirmation::Answer::No)
        return;
    {
        RunProgress progress(this, m_texts, m_progressDelayMs);
        const auto update = [&progress](int done, int total) {
            return progress.update(done, total);
        };
        if (answer == RenameConfirmation::Answer::NamedRowsOnly)
            plan.leaveOutUnnamedRows();
        result = m_session.run(std::move(plan), update);
    }
    // A run with nothing to tell is let go before the folder is listed again: with many files
    // its rows are megabytes the listing can use.
    if (!filvane::leavesSomethingToTell(result))
        result = {};
    m_session.relist();
    reloadGrids();
    showItemCount(m_session.lists().fileCount());
    warnIfTooManyFiles();
    // After the listing, so the lists behind the box already show what the run left.
    reportRun(result);
    reportStopped(result);
}

void TMainForm::reportStopped(const filvane::RenameResult &result) {
    const auto pending = std::count_if(result.rows.begin(), result.rows.end(), [](const auto &row) {
        return row.outcome == filvane::RenameOutcome::Pending;
    });
    if (result.refusal != filvane::RunRefusal::None || pending == 0)
        return;
    QMessageBox box(
        QMessageBox::Information, qstr(filvane::ApplicationTitle),
        qstr(filvane::fillText(m_texts[UiText::StoppedSummary],
                               {std::to_string(result.renamedCount()), std::to_string(pending)})),
        QMessageBox::Ok, this);
    QPushButton *undo =
        result.renamedCount() > 0
            ? box.addButton(qstr(m_texts[UiText::StoppedUndo]), QMessageBox::ActionRole)
            : nullptr;
    box.setDefaultButton(QMessageBox::Ok);
    // The run just stopped, asked about before the box is answered.
    const std::optional<filvane::RunSummary> stopped = m_session.undoableRun();
    box.exec();
    if (undo && stopped && box.clickedButton() == undo)
        runUndo(stopped->id);
}

void TMainForm::UndoLastRename() {
    const std::optional<filvane::RunSummary> last = m_session.undoableRun();
    if (!last)
        return;
    QMessageBox box(QMessageBox::Question, qstr(filvane::ApplicationTitle),
                    qstr(filvane::fillText(
                        m_texts.counted(UiText::UndoQuestion, last->renamedCount),
                        {std::to_string(last->renamedCount), filvane::readableName(last->folder)})),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() == QMessageBox::Yes)
        runUndo(last->id);
}

void TMainForm::runUndo(const std::string &runId) {
    std::optional<filvane::RenameResult> undone;
    {
        RunProgress progress(this, m_texts, m_progressDelayMs);
        undone = m_session.undo(
            runId, [&progress](int done, int total) { return progress.update(done, total); });
    }
    if (!undone) {
        // Another run came, or this one was taken back, while the question was open.
        QMessageBox::information(this, qstr(filvane::ApplicationTitle),
                                 qstr(m_texts[UiText::UndoRunChanged]));
        return;
    }
    filvane::RenameResult result = std::move(*undone);
    if (!filvane::leavesSomethingToTell(result))
        result = {};
    m_session.list();
    reloadGrids();
    showItemCount(m_session.lists().fileCount());
    reportRun(result);
}

void TMainForm::showListContextMenu(QTableView *grid, const QPoint &position) {
    const bool canUndo = m_session.undoableRun().has_value();
    const bool nameList = grid == ui->NameGrid && grid->isEnabled();
    QUndoStack &edits = m_edits->stack();
    QMenu menu(this);
    menu.addAction(m_livePlanAction);
    menu.addSeparator();
    // The last list edit first, named ("Undo Replace"), then the last rename on disk.
    if (edits.canUndo()) {
        m_undoEditAction->setText(qstr(
            filvane::fillText(m_texts[UiText::UndoEditAction], {edits.undoText().toStdString()})));
        menu.addAction(m_undoEditAction);
    }
    if (edits.canRedo()) {
        m_redoEditAction->setText(qstr(
            filvane::fillText(m_texts[UiText::RedoEditAction], {edits.redoText().toStdString()})));
        menu.addAction(m_redoEditAction);
    }
    if (canUndo)
        menu.addAction(m_undoAction);
    if (nameList) {
        menu.addSeparator();
        menu.addAction(m_pasteAction);
        menu.addAction(m_copyNamesAction);
        menu.addSeparator();
        addNameToolsMenu(menu);
    }
    menu.exec(grid->viewport()->mapToGlobal(position));
}

std::optional<filvane::RunSummary>
TMainForm::nextInterruptedRun(const std::vector<std::string> &asked) {
    std::vector<std::string> setAside;
    std::vector<filvane::RunSummary> runs = m_session.interrupted(&setAside);
    // A damaged journal is moved aside, so it is told about once.
    for (const std::string &id : setAside)
        QMessageBox::warning(
            this, qstr(filvane::ApplicationTitle),
            qstr(filvane::fillText(m_texts[UiText::RecoveryDamaged], {filvane::readableName(id)})));
    const auto next = std::find_if(runs.begin(), runs.end(), [&asked](const auto &run) {
        return std::find(asked.begin(), asked.end(), run.id) == asked.end();
    });
    if (next == runs.end())
        return std::nullopt;
    return std::move(*next);
}

std::string TMainForm::recoveryText(const filvane::RunSummary &run) const {
    std::string text =
        filvane::fillText(m_texts[UiText::RecoveryText],
                          {filvane::readableName(run.folder), std::to_string(run.renamedCount),
                           std::to_string(run.fileCount)});
    if (run.temporaryCount > 0)
        text +=
            "\n" + filvane::fillText(m_texts.counted(UiText::RecoveryTemporary, run.temporaryCount),
                                     {std::to_string(run.temporaryCount)});
    if (!run.folderFound)
        text += "\n" + filvane::fillText(m_texts[UiText::RecoveryFolderMissing],
                                         {filvane::readableName(run.folder)});
    return text;
}

filvane::RecoveryAnswer TMainForm::askAboutRun(const filvane::RunSummary &run) {
    QMessageBox box(QMessageBox::Warning, qstr(filvane::ApplicationTitle), qstr(recoveryText(run)),
                    QMessageBox::NoButton, this);
    // The core says what to offer; the window gives each answer its words and its place.
    using Answer = filvane::RecoveryAnswer;
    static constexpr std::pair<UiText, QMessageBox::ButtonRole> shown[] = {
        {UiText::RecoveryRestore, QMessageBox::AcceptRole}, // by Answer
        {UiText::RecoveryFinish, QMessageBox::ActionRole},
        {UiText::RecoveryPointAt, QMessageBox::ActionRole},
        {UiText::RecoveryLeave, QMessageBox::RejectRole}};
    static_assert(std::size(shown) == static_cast<size_t>(Answer::Leave) + 1);
    const filvane::RecoveryOffer offer = filvane::recoveryOffer(run);
    std::vector<std::pair<QPushButton *, Answer>> answers;
    for (const Answer answer : offer.answers) {
        const auto &[words, role] = shown[static_cast<size_t>(answer)];
        answers.emplace_back(box.addButton(qstr(m_texts[words]), role), answer);
        if (answer == offer.preferred)
            box.setDefaultButton(answers.back().first);
    }
    box.setEscapeButton(answers.back().first); // Leave, always last
    box.exec();
    const auto clicked = std::find_if(answers.begin(), answers.end(), [&box](const auto &one) {
        return one.first == box.clickedButton();
    });
    return clicked == answers.end() ? Answer::Leave : clicked->second;
}

void TMainForm::recoverInterruptedRuns() {
    // Newest first, one at a time, each told as the disk is when it is shown: dealing with one
    // run changes what the next would find. A run asked about once is not asked about again.
    std::vector<std::string> asked;
    while (const std::optional<filvane::RunSummary> run = nextInterruptedRun(asked)) {
        asked.push_back(run->id);
        const filvane::RecoveryAnswer answer = askAboutRun(*run);
        std::string pointed;
        if (answer == filvane::RecoveryAnswer::PointAtFolder) {
            // Where the user says the folder went; the run takes it only if it is that folder.
            const QString chosen = QFileDialog::getExistingDirectory(this, qstr(run->folder));
            if (chosen.isEmpty())
                continue; // asked once: it is offered again at the next start
            pointed = QFile::encodeName(chosen).toStdString();
        }
        reportRun(
            m_session.recover(run->id, filvane::recoveryChoiceFor(answer, *run), {}, pointed));
    }
}

void TMainForm::ReadGridHeaderClick(int section) {
    if (section != 1)
        return;
    setSortOrder(m_session.sortOrder() == filvane::SortOrder::Bytes ? filvane::SortOrder::Natural
                                                                    : filvane::SortOrder::Bytes);
}

void TMainForm::setSortOrder(filvane::SortOrder order) {
    m_session.setSortOrder(order);
    m_settings.saveSortOrder(order);
    reloadGrids();
    showSortOrder();
}

void TMainForm::showSortOrder() {
    QHeaderView *header = ui->ReadGrid->horizontalHeader();
    const filvane::SortOrder order = m_session.sortOrder();
    header->setSortIndicatorShown(order != filvane::SortOrder::Bytes);
    header->setSortIndicator(1, Qt::AscendingOrder);
    header->setToolTip(qstr(m_texts[sortOrderHint(order)]));
}

void TMainForm::restoreSettings() {
    const Remembered remembered = m_settings.load();
    if (remembered.language == Language::Hungarian)
        ui->LngSwitch->setState(TepBMPSwitch::TState::sOff);
    if (m_optionsForm)
        m_optionsForm->restore(remembered.options);
    m_session.setOptions(remembered.options);
    m_nameModel->setEditable(m_session.newNamesEditable());
    if (remembered.sortOrder != m_session.sortOrder())
        setSortOrder(remembered.sortOrder);
    if (m_readForm) {
        std::vector<std::pair<std::string, std::string>> folders;
        for (const LastFolder &last : remembered.lastFolders)
            folders.emplace_back(last.volume, last.folder);
        m_readForm->restore(std::move(folders), remembered.mask.value_or(std::string()));
    }
    restorePosition(*this, remembered.position(RememberedWindow::Main));
    if (m_aboutForm)
        restorePosition(*m_aboutForm, remembered.position(RememberedWindow::About));
    if (m_readForm)
        if (const auto place = rememberedPlace(m_readForm->frameGeometry().size(),
                                               remembered.position(RememberedWindow::Read)))
            m_readForm->setFirstPosition(*place);
    if (m_optionsForm)
        if (const auto place = rememberedPlace(m_optionsForm->frameGeometry().size(),
                                               remembered.position(RememberedWindow::Options)))
            m_optionsForm->setFirstPosition(*place);
    reloadGrids();
}

void TMainForm::showLivePlan() {
    if (!m_livePlan) {
        m_livePlan = new TLivePlanForm(m_session, m_texts, this);
        m_livePlan->setClosedObserver([this] { saveLivePlanGeometry(); });
        const Remembered remembered = m_settings.load();
        if (remembered.planSize)
            m_livePlan->resize(*remembered.planSize);
        if (const auto place = rememberedPlace(m_livePlan->frameGeometry().size(),
                                               remembered.position(RememberedWindow::Plan)))
            m_livePlan->move(*place);
    }
    // Beside the window, not instead of it: the keys stay with the lists.
    m_livePlan->show();
    m_livePlan->raise();
}

void TMainForm::saveLivePlanGeometry() {
    if (!m_livePlan)
        return;
    m_settings.saveWindowPosition(RememberedWindow::Plan, m_livePlan->pos());
    m_settings.savePlanSize(m_livePlan->size());
}

void TMainForm::closeEvent(QCloseEvent *event) {
    m_settings.saveWindowPosition(RememberedWindow::Main, pos());
    if (m_livePlan && m_livePlan->isVisible())
        m_livePlan->close(); // remembers its place; it does not outlive the window
    QWidget::closeEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event) {
    std::vector<std::string> paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    openRequest(requestFromPaths(paths));
}

void TMainForm::openRequest(const OpenRequest &request) {
    if (request.problem != OpenProblem::None) {
        QMessageBox::warning(this, qstr(filvane::ApplicationTitle), openProblemText(request));
        return;
    }
    if (request.kind == OpenRequest::Kind::Folder)
        readDirectory(request.folder,
                      filvane::joinSearchPattern(request.folder, filvane::AllFilesMask));
    else if (request.kind == OpenRequest::Kind::Files)
        readFiles(request.folder, request.files);
    else
        return;
    showItemCount(m_session.lists().fileCount());
    focusFirstNewName();
}

void TMainForm::reportRun(const filvane::RenameResult &result) {
    if (result.refusal != filvane::RunRefusal::None) {
        QMessageBox::warning(this, qstr(filvane::ApplicationTitle),
                             qstr(filvane::refusalText(result, m_texts)));
        return;
    }
    if (const std::unique_ptr<QMessageBox> box = makeRenameReport(result.rows, m_texts, this))
        box->exec();
    if (result.finishError != 0)
        QMessageBox::warning(
            this, qstr(filvane::ApplicationTitle),
            qstr(filvane::fillText(m_texts[UiText::RunEndNotRecorded],
                                   {filvane::errorText(result.finishError, m_texts)})));
}

RenameConfirmation::Answer TMainForm::askRenameQuestion(const filvane::RenamePlan &plan) {
    RenameConfirmation question(plan, m_session.options().numbersOnly, m_texts, this);
    return question.exec();
}

void TMainForm::OptionsBtnClick() {
    if (!m_optionsForm)
        return;
    m_optionsForm->exec();
    m_settings.saveWindowPosition(RememberedWindow::Options, m_optionsForm->pos());
    if (!m_optionsForm->isAccepted())
        return;
    filvane::RenameOptions chosen = m_optionsForm->options();
    chosen.numbers = m_session.options().numbers; // set by the name tools, not here
    const filvane::NewNamesOnOptions names = m_optionsForm->newNames();
    // Options may fill or empty the new names: one step that Ctrl+Z takes back.
    m_edits->editNames(qstr(m_texts[UiText::OptionsStep]),
                       [&] { m_session.applyOptions(chosen, names); });
    m_nameModel->setEditable(m_session.newNamesEditable());
    m_nameModel->reload();
    m_settings.saveOptions(m_session.options());
}

void TMainForm::AboutBtnClick() {
    if (!m_aboutForm)
        return;
    m_aboutForm->exec();
    m_settings.saveWindowPosition(RememberedWindow::About, m_aboutForm->pos());
}

void TMainForm::CloseBtnClick() {
    close();
}

void TMainForm::LngSwitchOn() {
    ApplyEnglish(true);
}

void TMainForm::LngSwitchOff() {
    ApplyHungarian(true);
}

void TMainForm::ApplyEnglish(bool fromSwitch) {
    applyLanguage(Language::English, fromSwitch);
}

void TMainForm::ApplyHungarian(bool fromSwitch) {
    applyLanguage(Language::Hungarian, fromSwitch);
}

void TMainForm::applyLanguage(Language language, bool fromSwitch) {
    const auto text = [language](UiText entry) { return qstr(filvane::uiText(entry, language)); };
    ui->ReadBtn->setText(text(UiText::ReadCaption));
    ui->ClrBtn->setText(text(UiText::ClearCaption));
    ui->RenBtn->setText(text(UiText::RenameCaption));
    ui->OptionsBtn->setText(text(UiText::OptionsCaption));
    ui->ReadBtn->setToolTip(withShortcut(text(UiText::ReadHint), readKeys()));
    ui->ClrBtn->setToolTip(withShortcut(text(UiText::ClearHint), clearKeys()));
    ui->RenBtn->setToolTip(withShortcut(text(UiText::RenameHint), renameKeys()));
    ui->OptionsBtn->setToolTip(withShortcut(text(UiText::OptionsHint), optionsKeys()));
    ui->AboutBtn->setToolTip(withShortcut(text(UiText::AboutHint), aboutKeys()));
    ui->LngSwitch->setHint(text(UiText::LanguageHint));
    ui->CloseBtn->setToolTip(withShortcut(text(UiText::CloseHint), closeKeys()));
    ui->CountPanel->setText(text(UiText::CountPanel));
    m_texts.apply(language);
    passTextsToDialogs();
    m_undoAction->setText(qstr(m_texts[UiText::UndoAction]));
    m_pasteAction->setText(qstr(m_texts[UiText::PasteAction]));
    m_copyNamesAction->setText(qstr(m_texts[UiText::CopyAction]));
    m_livePlanAction->setText(qstr(m_texts[UiText::LivePlanAction]));
    if (m_livePlan)
        m_livePlan->applyTexts();
    // Once the window is up, the count panel shows the count, whichever language it is in.
    if (m_activated)
        showItemCount(m_session.lists().fileCount());
    m_qtTranslations.apply(language);
    if (m_activated) // the switch's first event, while the window is built, is not a choice
        m_settings.saveLanguage(language);
    showSortOrder();
    applyAccessibleTexts(language);
    if (fromSwitch) {
        m_session.setCaption(1, m_texts[UiText::ColumnCaption]);
        m_readModel->captionsChanged();
        m_nameModel->captionsChanged();
    }
}

void TMainForm::applyAccessibleTexts(Language language) {
    const auto text = [language](AccessibleText entry) { return accessibleText(entry, language); };
    // The buttons' names are their captions; their descriptions, their tool tips.
    for (QToolButton *button :
         {ui->ReadBtn, ui->ClrBtn, ui->RenBtn, ui->OptionsBtn, ui->AboutBtn, ui->CloseBtn})
        button->setAccessibleDescription(button->toolTip());
    ui->ReadBtn->setAccessibleName(ui->ReadBtn->text());
    ui->ClrBtn->setAccessibleName(ui->ClrBtn->text());
    ui->RenBtn->setAccessibleName(ui->RenBtn->text());
    ui->OptionsBtn->setAccessibleName(ui->OptionsBtn->text());
    ui->AboutBtn->setAccessibleName(text(AccessibleText::AboutButton));
    ui->CloseBtn->setAccessibleName(text(AccessibleText::CloseButton));
    ui->LngSwitch->setAccessibleName(text(AccessibleText::LanguageSwitch));
    ui->LngSwitch->setAccessibleDescription(
        withShortcut(qstr(filvane::uiText(UiText::LanguageHint, language)), languageKeys()));
    ui->ToolPanel->setAccessibleName(text(AccessibleText::ToolBar));
    ui->ReadGrid->setAccessibleName(text(AccessibleText::ReadList));
    ui->ReadGrid->setAccessibleDescription(text(AccessibleText::ReadListDescription));
    ui->NameGrid->setAccessibleName(text(AccessibleText::NameList));
    ui->NameGrid->setAccessibleDescription(text(AccessibleText::NameListDescription));
    ui->StatusBar->setAccessibleName(text(AccessibleText::StatusBar));
    ui->CountPanel->setAccessibleDescription(text(AccessibleText::CountPanelDescription));
    ui->FolderPanel->setAccessibleDescription(text(AccessibleText::FolderPanelDescription));
    if (!m_session.listed())
        ui->FolderPanel->setAccessibleName(text(AccessibleText::FolderPanelEmpty));
}

void TMainForm::showItemCount(int count) {
    ui->CountPanel->setText(qstr(filvane::itemCountText(m_texts[UiText::ItemsLabel], count)));
}

void TMainForm::setNameGridEnabled(bool enabled) {
    ui->NameGrid->setEnabled(enabled);
    if (!enabled && ui->NameGrid->hasFocus())
        ui->ReadGrid->setFocus();
}

void TMainForm::reloadGrids() {
    // A listing, a sort or a clear: earlier edits were about rows as they were.
    m_edits->clear();
    keepingCurrentRow([this] {
        m_readModel->reload();
        m_nameModel->reload();
    });
    for (QTableView *grid : {ui->ReadGrid, ui->NameGrid})
        static_cast<FixedColumnGrid *>(grid)->fitFixedColumn(NumberColumnWidth);
    showListedFolder();
    if (m_optionsForm)
        m_optionsForm->setLastExtension(m_session.lastExtension());
}

void TMainForm::keepingCurrentRow(const std::function<void()> &reload) {
    // A reset model forgets its current cell; without one, typed keys would go nowhere.
    const QModelIndex current = ui->NameGrid->currentIndex();
    reload();
    const int rows = m_nameModel->rowCount();
    if (current.isValid() && rows > 0)
        ui->NameGrid->setCurrentIndex(
            m_nameModel->index(std::min(current.row(), rows - 1), current.column()));
}

void TMainForm::showListedFolder() {
    QLabel *panel = ui->FolderPanel;
    const QString full = m_session.listed() ? qstr(m_session.searchPattern()) : QString();
    const int room = panel->contentsRect().width() - 2 * std::max(panel->indent(), 0);
    panel->setText(panel->fontMetrics().elidedText(full, Qt::ElideMiddle, room));
    panel->setToolTip(full);
    panel->setAccessibleName(
        m_session.listed() ? full
                           : accessibleText(AccessibleText::FolderPanelEmpty, m_texts.language()));
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event) {
    // Keys reach the grid's filter only while no cell editor is open; the editor's own Enter
    // is handled by its delegate.
    if (watched == ui->NameGrid && event->type() == QEvent::KeyPress &&
        NameGridKeyDown(static_cast<QKeyEvent *>(event)))
        return true;
    // Reached by Tab, the read list takes up the row of the new-name list, so Alt+Up and
    // Alt+Down move the file beside the name just typed.
    if (watched == ui->ReadGrid && event->type() == QEvent::FocusIn) {
        const QModelIndex name = ui->NameGrid->currentIndex();
        if (name.isValid() && ui->ReadGrid->currentIndex().row() != name.row())
            ui->ReadGrid->setCurrentIndex(m_readModel->index(name.row(), 1));
    }
    return QWidget::eventFilter(watched, event);
}

bool TMainForm::NameGridKeyDown(QKeyEvent *event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    moveNameGridDown();
    return true;
}

void TMainForm::pasteNewNames() {
    if (!m_nameModel->isEditable() || !ui->NameGrid->isEnabled())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    const QModelIndex current = ui->NameGrid->currentIndex();
    const int firstRow = current.isValid() ? NameGridModel::gridRow(current) : 1;
    m_edits->editNames(qstr(m_texts[UiText::PasteStep]),
                       [&] { m_session.pasteNewNames(text.toStdString(), firstRow); });
    m_nameModel->reload();
    ui->NameGrid->setCurrentIndex(m_nameModel->index(firstRow - 1, 1));
}

void TMainForm::moveNameGridDown() {
    QTableView *grid = ui->NameGrid;
    const QModelIndex current = grid->currentIndex();
    if (!current.isValid())
        return;
    const int lastRow = m_nameModel->rowCount() - 1;
    if (current.row() < lastRow)
        grid->setCurrentIndex(m_nameModel->index(current.row() + 1, current.column()));
}
