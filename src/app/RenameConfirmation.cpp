#include "app/RenameConfirmation.h"

#include "app/PlanView.h"
#include "controls/QtText.h"
#include "core/names/NameText.h"
#include "core/texts/RenameReasons.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

using filvane::PreflightFinding;
using filvane::UiText;

QString planSummary(const filvane::Preflight &check, const std::string &folder,
                    const filvane::StoredTexts &texts) {
    std::string text =
        filvane::fillText(texts.counted(UiText::PreflightFiles, check.fileCount),
                          {std::to_string(check.fileCount), filvane::readableName(folder)});
    const auto line = [&](PreflightFinding finding, UiText entry, std::string_view example = {}) {
        if (const int count = check.count(finding))
            text += "\n" + filvane::fillText(texts.counted(entry, count),
                                             {std::to_string(count), example});
    };
    std::string example;
    for (const filvane::PreflightRow &row : check.rows)
        if (row.finding == PreflightFinding::Unnamed) {
            example = filvane::readableName(row.newName);
            break;
        }
    line(PreflightFinding::Unnamed, UiText::PreflightUnnamed, example);
    line(PreflightFinding::NoBaseName, UiText::PreflightNoBaseName);
    line(PreflightFinding::Refused, UiText::PreflightRefused);
    line(PreflightFinding::Taken, UiText::PreflightTaken);
    line(PreflightFinding::Duplicate, UiText::PreflightDuplicate);
    line(PreflightFinding::TooLong, UiText::PreflightTooLong);
    line(PreflightFinding::Held, UiText::PreflightHeld);
    line(PreflightFinding::NotOnThisDrive, UiText::PreflightNotOnDrive);
    // Said where the drive lacks the atomic no-replace rename, so the user knows how it is done.
    if (filvane::wayFor(check.drive) != filvane::RenameWay::NoReplace)
        text += "\n" + filvane::driveText(check.drive, texts);
    return qstr(text);
}

RenameConfirmation::RenameConfirmation(const filvane::RenamePlan &plan, bool numbersOnly,
                                       const filvane::StoredTexts &texts, QWidget *parent)
    : m_plan(plan), m_texts(texts),
      m_box(std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Warning"),
                                          qstr(texts[UiText::RenameQuestion]),
                                          QMessageBox::NoButton, parent)) {
    m_yes = m_box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = m_box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    const filvane::Preflight empty;
    const filvane::Preflight &check = plan.preflight ? *plan.preflight : empty;
    // How many files in which folder, always: the user sees what Yes acts on.
    m_box->setInformativeText(planSummary(check, plan.directory, texts));
    const int unnamed = check.count(PreflightFinding::Unnamed);
    if (!numbersOnly && unnamed > 0)
        m_namedOnly =
            m_box->addButton(qstr(texts[UiText::PreflightNamedOnly]), QMessageBox::AcceptRole);
    m_details = m_box->addButton(qstr(texts[UiText::PlanShowDetails]), QMessageBox::ActionRole);
    // Every button of a message box answers it; this one only opens the plan over it.
    if (auto *buttons = m_box->findChild<QDialogButtonBox *>())
        QObject::disconnect(m_details, &QAbstractButton::clicked, buttons, nullptr);
    QObject::connect(m_details, &QAbstractButton::clicked, m_box.get(), [this] { showDetails(); });
    if (m_namedOnly) {
        m_box->setDefaultButton(m_namedOnly);
        QWidget::setTabOrder(m_namedOnly, m_yes); // Yes stays one Tab away
    } else {
        m_box->setDefaultButton(m_yes);
    }
    m_box->setEscapeButton(no);
}

RenameConfirmation::~RenameConfirmation() = default;

void RenameConfirmation::showDetails() {
    PlanView view(m_plan, m_texts, m_box.get());
    view.exec();
    // Back at the question, Enter answers it with its default button again.
    if (QPushButton *answer = m_box->defaultButton())
        answer->setFocus();
}

RenameConfirmation::Answer RenameConfirmation::exec() {
    m_box->exec();
    const QAbstractButton *clicked = m_box->clickedButton();
    if (clicked == m_yes)
        return Answer::All;
    if (m_namedOnly && clicked == m_namedOnly)
        return Answer::NamedRowsOnly;
    return Answer::No;
}
