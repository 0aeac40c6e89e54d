#pragma once

#include "core/RenamePlan.h"
#include "core/TextTable.h"

#include <QWidget>

#include <functional>
#include <memory>

class PlanModel;
class QTimer;
namespace filvane {
class RenameSession;
}
namespace Ui {
class TLivePlanForm;
}

// The plan beside the main window, kept up to date: every row's old name, final name and what
// the check finds, in the lists' order, as the user types, pastes, moves or applies a tool. It
// composes and checks its own copy of the plan (its names owned, so the lists can change under
// it) shortly after the lists change: at once for a short list, after a pause as long as two
// of its updates for a long one, so that typing never waits for it. While hidden it does
// nothing.
class TLivePlanForm : public QWidget {
    Q_OBJECT
public:
    TLivePlanForm(const filvane::RenameSession &session, const filvane::StoredTexts &texts,
                  QWidget *parent = nullptr);
    ~TLivePlanForm() override;

    // The lists or the options changed: the plan is composed again soon.
    void planChanged();
    // Composes and checks the plan now and shows it.
    void refresh();
    // The texts changed language.
    void applyTexts();
    // Shows the row of data row `row` of the lists.
    void showListRow(int row);

    PlanModel *model() const { return m_model.get(); }
    const filvane::RenamePlan &plan() const { return *m_plan; }
    // Whether a change waits to be shown.
    bool pending() const;
    // How long the last update took, in milliseconds.
    double lastUpdateMs() const { return m_lastUpdateMs; }
    // Told when the window is closed (its place and size to remember).
    void setClosedObserver(std::function<void()> observer) { m_closed = std::move(observer); }

    void CloseBtnClick();
    void CopyBtnClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void showSummary();

    std::unique_ptr<Ui::TLivePlanForm> ui;
    const filvane::RenameSession &m_session;
    const filvane::StoredTexts &m_texts;
    std::unique_ptr<filvane::RenamePlan> m_plan;
    std::unique_ptr<PlanModel> m_model;
    QTimer *m_timer = nullptr; // owned by the window
    bool m_stale = true;
    double m_lastUpdateMs = 0;
    std::function<void()> m_closed;
};
