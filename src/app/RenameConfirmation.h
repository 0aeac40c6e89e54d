#pragma once

#include "core/plan/RenamePlan.h"
#include "core/texts/TextTable.h"

#include <memory>
#include <string>

class QMessageBox;
class QPushButton;
class QWidget;
class PlanView;
class QString;

// How many files in which folder, and one line per kind of finding: the question's text, and
// the live plan's head line.
QString planSummary(const filvane::Preflight &check, const std::string &folder,
                    const filvane::StoredTexts &texts);

// The rename question, with what the plan holds below it: how many files in which folder, and
// one line per kind of finding. Show Details opens the whole plan (every row and what it
// becomes) without answering. Where rows have no new name, a third button renames the named
// rows only, and it is the default: Enter never gives a file a name no one typed.
class RenameConfirmation {
public:
    enum class Answer { No, All, NamedRowsOnly };

    // `plan` is checked (its preflight set) and must outlive the question.
    RenameConfirmation(const filvane::RenamePlan &plan, bool numbersOnly,
                       const filvane::StoredTexts &texts, QWidget *parent);
    ~RenameConfirmation();
    RenameConfirmation(const RenameConfirmation &) = delete;
    RenameConfirmation &operator=(const RenameConfirmation &) = delete;

    Answer exec();
    QMessageBox *box() const { return m_box.get(); }
    QPushButton *detailsButton() const { return m_details; }
    // Shows the plan view over the question; it stays open until it is closed.
    void showDetails();

private:
    const filvane::RenamePlan &m_plan;
    const filvane::StoredTexts &m_texts;
    std::unique_ptr<QMessageBox> m_box;
    QPushButton *m_yes = nullptr;
    QPushButton *m_namedOnly = nullptr;
    QPushButton *m_details = nullptr;
};
