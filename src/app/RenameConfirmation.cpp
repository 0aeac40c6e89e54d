#include "app/RenameConfirmation.h"

#include "controls/QtText.h"
#include "core/NameText.h"
#include "core/RenameReasons.h"

#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

using filvane::PreflightFinding;
using filvane::UiText;

namespace {

// How many rows the details list at most; the count lines above still say how many in all.
constexpr size_t MaxDetailRows = 2000;

std::string number(int value) {
    return std::to_string(value);
}

std::string findingWord(const filvane::PreflightRow &row, const filvane::StoredTexts &texts) {
    switch (row.finding) {
    case PreflightFinding::Unnamed:
        return texts[UiText::PreflightUnnamedWord];
    case PreflightFinding::Refused:
        return texts[UiText::ReasonNameNotAllowed];
    case PreflightFinding::Taken:
        return texts[UiText::PreflightTakenWord];
    case PreflightFinding::Duplicate:
        return filvane::fillText(texts[UiText::PreflightDuplicateWord],
                                 {filvane::rowNumberText(row.otherRow)});
    case PreflightFinding::TooLong:
        return texts[UiText::PreflightTooLongWord];
    }
    return {};
}

QString summary(const filvane::Preflight &check, const std::string &folder,
                const filvane::StoredTexts &texts) {
    std::string text = filvane::fillText(texts[UiText::PreflightFiles],
                                         {number(check.fileCount), filvane::readableName(folder)});
    const auto line = [&](PreflightFinding finding, UiText entry, std::string_view example = {}) {
        if (const int count = check.count(finding))
            text += "\n" + filvane::fillText(texts[entry], {number(count), example});
    };
    std::string example;
    for (const filvane::PreflightRow &row : check.rows)
        if (row.finding == PreflightFinding::Unnamed) {
            example = filvane::readableName(row.newName);
            break;
        }
    line(PreflightFinding::Unnamed, UiText::PreflightUnnamed, example);
    line(PreflightFinding::Refused, UiText::PreflightRefused);
    line(PreflightFinding::Taken, UiText::PreflightTaken);
    line(PreflightFinding::Duplicate, UiText::PreflightDuplicate);
    line(PreflightFinding::TooLong, UiText::PreflightTooLong);
    return qstr(text);
}

QString details(const filvane::Preflight &check, const filvane::StoredTexts &texts) {
    std::string text;
    const size_t shown = std::min(check.rows.size(), MaxDetailRows);
    for (size_t i = 0; i < shown; ++i) {
        const filvane::PreflightRow &row = check.rows[i];
        text +=
            filvane::fillText("%1  %2  \u2192  %3  (%4)",
                              {filvane::rowNumberText(row.row), filvane::readableName(row.oldName),
                               filvane::readableName(row.newName), findingWord(row, texts)});
        text += '\n';
    }
    if (shown < check.rows.size())
        text += "...\n";
    return qstr(text);
}

} // namespace

RenameConfirmation::RenameConfirmation(const filvane::Preflight &check, const std::string &folder,
                                       bool numbersOnly, const filvane::StoredTexts &texts,
                                       QWidget *parent)
    : m_box(std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Warning"),
                                          qstr(texts[UiText::RenameQuestion]),
                                          QMessageBox::NoButton, parent)) {
    m_yes = m_box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = m_box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    if (!check.clean()) {
        m_box->setInformativeText(summary(check, folder, texts));
        m_box->setDetailedText(details(check, texts));
        // Offered where it renames some rows and leaves others: not when no row is named.
        const int unnamed = check.count(PreflightFinding::Unnamed);
        if (!numbersOnly && unnamed > 0 && unnamed < check.fileCount)
            m_namedOnly =
                m_box->addButton(qstr(texts[UiText::PreflightNamedOnly]), QMessageBox::AcceptRole);
    }
    m_box->setDefaultButton(m_yes);
    m_box->setEscapeButton(no);
}

RenameConfirmation::~RenameConfirmation() = default;

RenameConfirmation::Answer RenameConfirmation::exec() {
    m_box->exec();
    const QAbstractButton *clicked = m_box->clickedButton();
    if (clicked == m_yes)
        return Answer::All;
    if (m_namedOnly && clicked == m_namedOnly)
        return Answer::NamedRowsOnly;
    return Answer::No;
}
