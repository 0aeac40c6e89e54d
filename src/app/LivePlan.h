#pragma once

#include "core/plan/RenamePlan.h"
#include "core/texts/TextTable.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <thread>

class PlanModel;
class QTimer;
namespace filvane {
class RenameSession;
}
namespace Ui {
class TLivePlanForm;
}

// The plan beside the main window, kept up to date: every row's old name, final name and what
// the check finds, in the lists' order, as the user types, pastes, moves or applies a tool.
// After a change it copies what the plan is made of and composes and checks that copy on a
// worker thread, so the lists may change meanwhile and typing never waits for the folder; a
// change during an update is taken up when it ends. Changes come together for an update at
// once for a short list, after a pause as long as an update for a long one. While hidden it
// does nothing.
class TLivePlanForm : public QWidget {
    Q_OBJECT
public:
    TLivePlanForm(const filvane::RenameSession &session, const filvane::StoredTexts &texts,
                  QWidget *parent = nullptr);
    ~TLivePlanForm() override;

    // The lists or the options changed: the plan is composed again soon.
    void planChanged();
    // Starts composing and checking the plan (on the worker) unless an update runs already.
    void refresh();
    // The texts changed language.
    void applyTexts();
    // Shows the row of data row `row` of the lists.
    void showListRow(int row);

    PlanModel *model() const { return m_model.get(); }
    const filvane::RenamePlan &plan() const;
    // Whether a change waits to be shown.
    bool pending() const;
    // How long the last update took from the change to the plan shown, and how much of that
    // the window's own thread spent (copying the lists, showing the result), in milliseconds.
    double lastUpdateMs() const { return m_lastUpdateMs; }
    double lastBlockingMs() const { return m_lastBlockingMs; }
    // Told when the window is closed (its place and size to remember).
    void setClosedObserver(std::function<void()> observer) { m_closed = std::move(observer); }

    void CloseBtnClick();
    void CopyBtnClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Update;
    void showUpdate(const std::shared_ptr<Update> &update);
    void showSummary();

    std::unique_ptr<Ui::TLivePlanForm> ui;
    const filvane::RenameSession &m_session;
    const filvane::StoredTexts &m_texts;
    std::shared_ptr<Update> m_update; // the one shown
    std::unique_ptr<PlanModel> m_model;
    QTimer *m_timer = nullptr; // owned by the window
    bool m_stale = true;
    std::thread m_worker; // while an update runs
    double m_lastUpdateMs = 0;
    double m_lastBlockingMs = 0;
    std::function<void()> m_closed;
};
