#include "dialogs/NameTools.h"

#include "ui_NameTools.h"

#include "controls/ButtonGlyphs.h"
#include "controls/QtText.h"
#include "core/names/NameText.h"
#include "core/texts/RenameReasons.h"

#include <QFont>
#include <QHeaderView>
#include <QTimer>
#include <QTreeWidgetItem>

#include <algorithm>
#include <array>

using filvane::Language;
using filvane::NumberFormat;
using filvane::PatternProblem;

namespace {

// The dialog's texts in both languages. "%1", "%2" stand for numbers filled in when shown.
enum class Text {
    WindowTitle,
    NumberingPage,
    ReplacePage,
    CasePage,
    StripPage,
    Start,
    Step,
    Digits,
    DigitsAtLeastTwo,
    DigitsFixed,
    DigitsAuto,
    Width,
    Separator,
    Find,
    ReplaceWith,
    Regex,
    MatchCase,
    Lower,
    Upper,
    TitleCase,
    SentenceCase,
    StripNumber,
    Collapse,
    Trim,
    SelectedOnly,
    Preview,
    NowColumn,
    AfterColumn,
    Count,
    GivenUp,
    GivenUpOne,
    BadPattern,
    BadPatternAt,
    BadReplacement,
    BadReplacementAt,
    Ok,
    Cancel,
    NumberingTool,
    ReplaceTool,
    CaseTool,
    StripTool,
    SafePage,
    SafeMapping,
    PlainAscii,
};

struct Entry {
    const char *english;
    const char *hungarian;
};

// In the order of the enumeration.
constexpr std::array<Entry, 44> texts{{
    {"Name tools", "Néveszközök"},
    {"&Numbering", "&Számozás"},
    {"&Find and replace", "&Keresés és csere"},
    {"C&ase", "Kis- és &nagybetűk"},
    {"&Strip and trim", "&Tisztítás"},
    {"Start number:", "Kezdőszám:"},
    {"Step:", "Lépésköz:"},
    {"Digits:", "Számjegyek:"},
    {"At least two (01 … 99, 100)", "Legalább kettő (01 … 99, 100)"},
    {"Fixed width", "Rögzített szélesség"},
    {"As many as the last number needs (001 … 300)",
     "Amennyi a legnagyobb számnak kell (001 … 300)"},
    {"Width:", "Szélesség:"},
    {"Between number and name:", "Szám és név között:"},
    {"Find:", "Keresett szöveg:"},
    {"Replace with:", "Csere erre:"},
    {"Regular expression ($1 for a group)", "Reguláris kifejezés ($1: egy csoport)"},
    {"Match case", "Kis- és nagybetű számít"},
    {"lowercase", "kisbetűs"},
    {"UPPERCASE", "NAGYBETŰS"},
    {"Title Case", "Minden Szó Nagy Kezdőbetűvel"},
    {"Sentence case", "Csak az első betű nagy"},
    {"Remove the leading number (04 - , 04. , (04) , Track 04 - )",
     "A név eleji sorszám törlése (04 - , 04. , (04) , Track 04 - )"},
    {"One blank for a run of blanks", "Több szóköz helyett egy"},
    {"No blanks at either end", "Nincs szóköz a név elején és végén"},
    {"Only the selected rows (%1)", "Csak a kijelölt sorok (%1)"},
    {"Preview:", "Előnézet:"},
    {"Now", "Most"},
    {"After", "Utána"},
    {"%1 of %2 rows change", "%2 sorból %1 változik"},
    {"%1 rows took too long to search and stay as they are",
     "%1 sorban túl sokáig tartott a keresés, ezek nem változnak"},
    {"%1 row took too long to search and stays as it is",
     "%1 sorban túl sokáig tartott a keresés, ez nem változik"},
    {"Bad pattern: %1", "Hibás minta: %1"},
    {"Bad pattern at character %1: %2", "Hibás minta a(z) %1. karakternél: %2"},
    {"Bad replacement: %1", "Hibás csere: %1"},
    {"Bad replacement at character %1: %2", "Hibás csere a(z) %1. karakternél: %2"},
    {"OK", "OK"},
    {"Cancel", "Mégse"},
    {"Numbering", "Számozás"},
    {"Replace", "Csere"},
    {"Change case", "Kis- és nagybetűk"},
    {"Strip and trim", "Tisztítás"},
    {"Safe na&mes", "&Biztonságos nevek"},
    {"Names that FAT, exFAT and NTFS drives take (USB sticks, SD cards, Windows): \":\" becomes "
     "\" -\", \"/\" and \"\\\" become \"-\", ? * \" < > | and control characters go, dots and "
     "blanks "
     "at the end go, CON, PRN, AUX, NUL, COM1-9 and LPT1-9 get \"_\" after them, and a name is cut "
     "to fit 255 characters with its number and extension.",
     "A FAT, exFAT és NTFS meghajtók (USB-kulcs, SD-kártya, Windows) által elfogadott nevek: a "
     "\":\" helyett \" -\", a \"/\" és a \"\\\" helyett \"-\" áll, a ? * \" < > | és a "
     "vezérlőkarakterek "
     "kimaradnak, a név végén nem marad pont és szóköz, a CON, PRN, AUX, NUL, COM1-9 és LPT1-9 "
     "után \"_\" kerül, és a név a számmal és kiterjesztéssel együtt legfeljebb 255 karakter."},
    {"plain ASCII (Őszi szél → Oszi szel)", "csak ASCII (Őszi szél → Oszi szel)"},
}};

static_assert(texts.size() == static_cast<size_t>(Text::PlainAscii) + 1);

// What is wrong with a pattern, in the order of PatternProblem.
constexpr std::array<Entry, 13> problems{{
    {"text that is not UTF-8", "nem UTF-8 szöveg"},
    {"syntax error", "szintaktikai hiba"},
    {"unbalanced parenthesis", "páratlan zárójel"},
    {"unknown escape after \\", "ismeretlen jel a \\ után"},
    {"bad repetition (*, +, ?, {m,n})", "hibás ismétlés (*, +, ?, {m,n})"},
    {"bad [set]", "hibás [halmaz]"},
    {"bad group name", "hibás csoportnév"},
    {"back-reference to a group the pattern lacks", "nem létező csoportra hivatkozik"},
    {"unknown (?flag)", "ismeretlen (?kapcsoló)"},
    {"look-behind without a longest length", "visszatekintés felső határ nélkül"},
    {"no such group in the pattern", "nincs ilyen csoport a mintában"},
    {"$ without a group number (\\$ for a dollar sign)", "$ csoportszám nélkül (a dollárjel: \\$)"},
    {"error %1", "hiba: %1"},
}};

static_assert(problems.size() == static_cast<size_t>(PatternProblem::Other) + 1);

QString text(Text entry, Language language) {
    const Entry &e = texts[static_cast<size_t>(entry)];
    return QString::fromUtf8(language == Language::English ? e.english : e.hungarian);
}

QString problemText(const filvane::PatternError &error, Language language) {
    const Entry &e = problems[static_cast<size_t>(error.problem)];
    const QString problem =
        QString::fromUtf8(language == Language::English ? e.english : e.hungarian);
    return error.problem == PatternProblem::Other ? problem.arg(qstr(error.icuName)) : problem;
}

std::string utf8(const QString &text) {
    return text.toStdString();
}

} // namespace

TNameToolsForm::TNameToolsForm(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TNameToolsForm>()) {
    ui->setupUi(this);
    ui->OKBtn->setIcon(twinIcon(QStringLiteral(":/images/ok.png")));
    ui->CancelBtn->setIcon(twinIcon(QStringLiteral(":/images/cancel.png")));
    ui->PreviewTree->header()->setSectionResizeMode(QHeaderView::Stretch);

    // Counting runs the tool over every row: it waits until typing pauses.
    m_countTimer = new QTimer(this);
    m_countTimer->setSingleShot(true);
    m_countTimer->setInterval(150);
    connect(m_countTimer, &QTimer::timeout, this, &TNameToolsForm::CountTimerFire);

    connect(ui->OKBtn, &QPushButton::clicked, this, &TNameToolsForm::OKBtnClick);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &TNameToolsForm::CancelBtnClick);
    connect(ui->ToolTabs, &QTabWidget::currentChanged, this, &TNameToolsForm::ToolTabsChange);
    connect(ui->DigitsBox, &QComboBox::currentIndexChanged, this, &TNameToolsForm::DigitsBoxChange);
    for (QSpinBox *spin : {ui->StartSpin, ui->StepSpin, ui->WidthSpin})
        connect(spin, &QSpinBox::valueChanged, this, &TNameToolsForm::SettingChange);
    for (QLineEdit *edit : {ui->SeparatorEdit, ui->FindEdit, ui->ReplaceEdit})
        connect(edit, &QLineEdit::textChanged, this, &TNameToolsForm::SettingChange);
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
             ui->RegexCheck, ui->MatchCaseCheck, ui->LowerRadio, ui->UpperRadio, ui->TitleRadio,
             ui->SentenceRadio, ui->StripNumberCheck, ui->CollapseCheck, ui->TrimCheck,
             ui->AsciiCheck, ui->SelectedOnlyCheck})
        connect(button, &QAbstractButton::toggled, this, &TNameToolsForm::SettingChange);

    applyTexts();
    DigitsBoxChange();
}

TNameToolsForm::~TNameToolsForm() = default;

void TNameToolsForm::setLanguage(Language language) {
    m_language = language;
    applyTexts();
    SettingChange();
}

void TNameToolsForm::applyTexts() {
    const auto t = [this](Text entry) { return text(entry, m_language); };
    setWindowTitle(t(Text::WindowTitle));
    ui->ToolTabs->setTabText(0, t(Text::NumberingPage));
    ui->ToolTabs->setTabText(1, t(Text::ReplacePage));
    ui->ToolTabs->setTabText(2, t(Text::CasePage));
    ui->ToolTabs->setTabText(3, t(Text::StripPage));
    ui->ToolTabs->setTabText(4, t(Text::SafePage));
    ui->SafeLabel->setText(t(Text::SafeMapping));
    ui->AsciiCheck->setText(t(Text::PlainAscii));
    ui->StartLabel->setText(t(Text::Start));
    ui->StepLabel->setText(t(Text::Step));
    ui->DigitsLabel->setText(t(Text::Digits));
    ui->DigitsBox->setItemText(0, t(Text::DigitsAtLeastTwo));
    ui->DigitsBox->setItemText(1, t(Text::DigitsFixed));
    ui->DigitsBox->setItemText(2, t(Text::DigitsAuto));
    ui->WidthLabel->setText(t(Text::Width));
    ui->SeparatorLabel->setText(t(Text::Separator));
    ui->FindLabel->setText(t(Text::Find));
    ui->ReplaceLabel->setText(t(Text::ReplaceWith));
    ui->RegexCheck->setText(t(Text::Regex));
    ui->MatchCaseCheck->setText(t(Text::MatchCase));
    ui->LowerRadio->setText(t(Text::Lower));
    ui->UpperRadio->setText(t(Text::Upper));
    ui->TitleRadio->setText(t(Text::TitleCase));
    ui->SentenceRadio->setText(t(Text::SentenceCase));
    ui->StripNumberCheck->setText(t(Text::StripNumber));
    ui->CollapseCheck->setText(t(Text::Collapse));
    ui->TrimCheck->setText(t(Text::Trim));
    ui->SelectedOnlyCheck->setText(
        t(Text::SelectedOnly).arg(static_cast<qsizetype>(m_selectedRows.size())));
    ui->PreviewLabel->setText(t(Text::Preview));
    ui->PreviewTree->setHeaderLabels({t(Text::NowColumn), t(Text::AfterColumn)});
    ui->PreviewTree->setAccessibleName(t(Text::Preview).remove(QLatin1Char(':')));
    ui->OKBtn->setText(t(Text::Ok));
    ui->CancelBtn->setText(t(Text::Cancel));
}

void TNameToolsForm::setNames(std::vector<std::string> names, std::vector<int> selectedRows,
                              NumberFormat current, bool numbered, FinalNamePreview finalNameOf,
                              std::vector<std::string> extensions) {
    m_names = std::move(names);
    keepSelectedRows(std::move(selectedRows));
    m_current = std::move(current);
    m_numbered = numbered;
    m_finalNameOf = std::move(finalNameOf);
    m_extensions = std::move(extensions);
    m_reservedUnits = reservedUnits();
    m_result = m_names;
    m_resultFormat = m_current;
    m_changedRows = 0;
    showNumberFormat(m_current);
    applyTexts();
    DigitsBoxChange();
}

void TNameToolsForm::keepSelectedRows(std::vector<int> rows) {
    std::erase_if(
        rows, [this](int row) { return row < 0 || static_cast<size_t>(row) >= m_names.size(); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    m_selectedRows = std::move(rows);
}

size_t TNameToolsForm::reservedUnits() const {
    size_t most = 0;
    const int count = static_cast<int>(m_names.size());
    for (int row = 0; row < count; ++row) {
        size_t units = row < static_cast<int>(m_extensions.size())
                           ? filvane::utf16Units(m_extensions[static_cast<size_t>(row)])
                           : 0;
        if (m_numbered)
            units += filvane::utf16Units(filvane::formatNumber(m_current, row, count) +
                                         m_current.separator);
        most = std::max(most, units);
    }
    return most;
}

void TNameToolsForm::showNumberFormat(const NumberFormat &format) {
    // No signal per setting: the caller brings the page up to date once.
    const QSignalBlocker blockers[] = {
        QSignalBlocker(ui->StartSpin),     QSignalBlocker(ui->StepSpin),
        QSignalBlocker(ui->DigitsBox),     QSignalBlocker(ui->WidthSpin),
        QSignalBlocker(ui->SeparatorEdit), QSignalBlocker(ui->SelectedOnlyCheck)};
    ui->StartSpin->setValue(format.start);
    ui->StepSpin->setValue(format.step);
    ui->DigitsBox->setCurrentIndex(static_cast<int>(format.digits));
    ui->WidthSpin->setValue(std::clamp(format.width, 1, NumberFormat::MaxWidth));
    ui->SeparatorEdit->setText(qstr(format.separator));
    ui->SelectedOnlyCheck->setChecked(m_selectedRows.size() > 1);
}

void TNameToolsForm::setTool(Tool tool) {
    ui->ToolTabs->setCurrentIndex(static_cast<int>(tool));
}

TNameToolsForm::Tool TNameToolsForm::tool() const {
    return static_cast<Tool>(ui->ToolTabs->currentIndex());
}

QString TNameToolsForm::toolName() const {
    switch (tool()) {
    case Tool::Numbering:
        return text(Text::NumberingTool, m_language);
    case Tool::Replace:
        return text(Text::ReplaceTool, m_language);
    case Tool::Case:
        return text(Text::CaseTool, m_language);
    case Tool::StripAndTrim:
        return text(Text::StripTool, m_language);
    case Tool::SafeNames:
        break;
    }
    return qstr(filvane::uiText(filvane::UiText::SafeNamesAction, m_language));
}

NumberFormat TNameToolsForm::editedFormat() const {
    NumberFormat format;
    format.start = ui->StartSpin->value();
    format.step = ui->StepSpin->value();
    format.digits = static_cast<NumberFormat::Digits>(ui->DigitsBox->currentIndex());
    format.width = ui->WidthSpin->value();
    format.separator = utf8(ui->SeparatorEdit->text());
    return format;
}

filvane::NameToolChain TNameToolsForm::pageTools() const {
    filvane::NameToolChain chain;
    switch (tool()) {
    case Tool::Numbering:
        break;
    case Tool::Replace:
        chain.replace =
            filvane::ReplaceTool{utf8(ui->FindEdit->text()), utf8(ui->ReplaceEdit->text()),
                                 ui->RegexCheck->isChecked(), ui->MatchCaseCheck->isChecked()};
        break;
    case Tool::Case: {
        filvane::CaseTool change;
        change.change = ui->LowerRadio->isChecked()      ? filvane::CaseChange::Lower
                        : ui->UpperRadio->isChecked()    ? filvane::CaseChange::Upper
                        : ui->SentenceRadio->isChecked() ? filvane::CaseChange::Sentence
                                                         : filvane::CaseChange::Title;
        chain.caseChange = change;
        break;
    }
    case Tool::StripAndTrim:
        chain.stripNumbers = ui->StripNumberCheck->isChecked();
        chain.collapseBlanks = ui->CollapseCheck->isChecked();
        chain.trimBlanks = ui->TrimCheck->isChecked();
        break;
    case Tool::SafeNames:
        chain.safeNames = filvane::SafeNameTool{.ascii = ui->AsciiCheck->isChecked(),
                                                .maxUnits = filvane::safeNameRoom(m_reservedUnits)};
        break;
    }
    return chain;
}

std::vector<int> TNameToolsForm::actedRows() const {
    if (tool() != Tool::Numbering && ui->SelectedOnlyCheck->isChecked())
        return m_selectedRows;
    std::vector<int> rows(m_names.size());
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<int>(i);
    return rows;
}

QString TNameToolsForm::finalName(size_t row, const std::string &name,
                                  const NumberFormat &format) const {
    // Composed where the run composes it; without a composition, the name alone.
    return m_finalNameOf ? m_finalNameOf(static_cast<int>(row), name, &format) : qstr(name);
}

int TNameToolsForm::numberingChanges() const {
    if (!m_numbered)
        return 0;
    const NumberFormat edited = editedFormat();
    const int count = static_cast<int>(m_names.size());
    int changes = 0;
    for (int row = 0; row < count; ++row)
        changes += filvane::formatNumber(edited, row, count) + edited.separator !=
                   filvane::formatNumber(m_current, row, count) + m_current.separator;
    return changes;
}

void TNameToolsForm::ToolTabsChange() {
    SettingChange();
}

void TNameToolsForm::DigitsBoxChange() {
    ui->WidthSpin->setEnabled(ui->DigitsBox->currentIndex() ==
                              static_cast<int>(NumberFormat::Digits::Fixed));
    SettingChange();
}

void TNameToolsForm::SettingChange() {
    // Numbers run over every row: the choice is not offered there.
    ui->SelectedOnlyCheck->setVisible(tool() != Tool::Numbering);
    ui->SelectedOnlyCheck->setEnabled(!m_selectedRows.empty());
    showPreview();
    ui->CountLabel->clear();
    m_countTimer->start();
}

void TNameToolsForm::showPreview() {
    ui->PreviewTree->clear();
    ui->ErrorLabel->clear();
    m_patternBad = false;
    m_tooLong = false;
    std::vector<int> rows = actedRows();
    rows.resize(std::min<size_t>(rows.size(), PreviewRows));
    std::vector<std::string> after;
    after.reserve(rows.size());
    for (int row : rows)
        after.push_back(m_names[static_cast<size_t>(row)]);
    NumberFormat afterFormat = m_current;
    if (tool() == Tool::Numbering) {
        afterFormat = editedFormat();
    } else {
        const filvane::ToolRun run = filvane::applyTools(pageTools(), after);
        if (run.error)
            showError(*run.error);
        if (run.overflow)
            showOverflow(*run.overflow, rows[run.overflow->index]);
    }
    ui->OKBtn->setEnabled(!m_patternBad && !m_tooLong);
    QFont changedFont = ui->PreviewTree->font();
    changedFont.setBold(true);
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto row = static_cast<size_t>(rows[i]);
        auto *item = new QTreeWidgetItem(ui->PreviewTree); // owned by the tree
        item->setText(0, finalName(row, m_names[row], m_current));
        item->setText(1, finalName(row, after[i], afterFormat));
        if (item->text(0) != item->text(1))
            item->setFont(1, changedFont);
    }
}

void TNameToolsForm::showError(const filvane::PatternError &error) {
    m_patternBad = true;
    const QString problem = problemText(error, m_language);
    const bool at = error.position >= 0;
    const Text entry = error.inReplacement ? (at ? Text::BadReplacementAt : Text::BadReplacement)
                                           : (at ? Text::BadPatternAt : Text::BadPattern);
    ui->ErrorLabel->setText(at ? text(entry, m_language).arg(error.position + 1).arg(problem)
                               : text(entry, m_language).arg(problem));
}

void TNameToolsForm::showOverflow(const filvane::ToolOverflow &overflow, int index) {
    m_tooLong = true;
    ui->OKBtn->setEnabled(false);
    const QString problem =
        overflow.total
            ? qstr(filvane::fillText(filvane::uiText(filvane::UiText::ToolNamesTooLong, m_language),
                                     {std::to_string(filvane::MaxToolTotalBytes >> 20)}))
            : qstr(filvane::fillText(
                  filvane::uiText(filvane::UiText::ToolNameTooLong, m_language),
                  {filvane::rowNumberText(index + 1), std::to_string(filvane::MaxToolNameBytes)}));
    ui->ErrorLabel->setText(problem);
}

void TNameToolsForm::CountTimerFire() {
    if (m_patternBad || m_tooLong)
        return;
    const std::vector<int> rows = actedRows();
    int changes = 0;
    int givenUp = 0;
    if (tool() == Tool::Numbering) {
        changes = numberingChanges();
    } else {
        std::vector<std::string> names;
        names.reserve(rows.size());
        for (int row : rows)
            names.push_back(m_names[static_cast<size_t>(row)]);
        const filvane::ToolRun run = filvane::applyTools(pageTools(), names);
        if (run.overflow) {
            showOverflow(*run.overflow, rows[run.overflow->index]);
            return;
        }
        changes = run.changed;
        givenUp = run.givenUp;
    }
    QString count =
        text(Text::Count, m_language).arg(changes).arg(static_cast<qsizetype>(rows.size()));
    if (givenUp > 0)
        count += QStringLiteral("; ") +
                 text(givenUp == 1 ? Text::GivenUpOne : Text::GivenUp, m_language).arg(givenUp);
    ui->CountLabel->setText(count);
}

void TNameToolsForm::OKBtnClick() {
    if (m_patternBad || m_tooLong)
        return;
    m_countTimer->stop();
    m_result = m_names;
    m_resultFormat = m_current;
    if (tool() == Tool::Numbering) {
        m_changedRows = numberingChanges();
        m_resultFormat = editedFormat();
        accept();
        return;
    }
    const bool selectedOnly = ui->SelectedOnlyCheck->isChecked();
    const filvane::ToolRun run = selectedOnly
                                     ? filvane::applyTools(pageTools(), m_result, m_selectedRows)
                                     : filvane::applyTools(pageTools(), m_result);
    if (run.overflow) {
        // Before the count could say so: the names stay as they were, and the dialog open.
        showOverflow(*run.overflow, static_cast<int>(run.overflow->index));
        m_result = m_names;
        return;
    }
    m_changedRows = run.changed;
    accept();
}

void TNameToolsForm::CancelBtnClick() {
    reject();
}

void TNameToolsForm::reject() {
    // Escape and the close box come here too: nothing of what was set up is handed back.
    m_countTimer->stop();
    m_result = m_names;
    m_resultFormat = m_current;
    m_changedRows = 0;
    QDialog::reject();
}
