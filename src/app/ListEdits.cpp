#include "app/ListEdits.h"

#include "core/RenameSession.h"

#include <QUndoCommand>

#include <algorithm>

#include <utility>

namespace {

using filvane::NameLists;
using filvane::RenameSession;

// New names of some rows before and after a step.
class NamesStep : public QUndoCommand {
public:
    NamesStep(RenameSession &session, std::function<void()> changed, std::vector<int> rows,
              std::vector<std::string> before, std::vector<std::string> after, const QString &name)
        : QUndoCommand(name), m_session(session), m_changed(std::move(changed)),
          m_rows(std::move(rows)), m_before(std::move(before)), m_after(std::move(after)) {}

    void undo() override { write(m_before); }
    void redo() override {
        // The first redo comes as the step is pushed, when the names are already written.
        if (m_done)
            write(m_after);
        m_done = true;
    }

protected:
    void write(const std::vector<std::string> &texts) {
        for (size_t i = 0; i < m_rows.size(); ++i)
            m_session.lists().nameList().setCell(1, m_rows[i], texts[i]);
        m_changed();
    }

    RenameSession &m_session;
    std::function<void()> m_changed;
    std::vector<int> m_rows;
    std::vector<std::string> m_before;
    std::vector<std::string> m_after;
    bool m_done = false;
};

// Keystrokes in one cell, merged into one step as long as they follow each other there.
class TypingStep : public NamesStep {
public:
    using NamesStep::NamesStep;
    static constexpr int Id = 1;
    int id() const override { return Id; }
    bool mergeWith(const QUndoCommand *other) override {
        const auto *next = static_cast<const TypingStep *>(other);
        if (next->m_rows != m_rows)
            return false;
        m_after = next->m_after;
        return true;
    }
};

class MoveStep : public QUndoCommand {
public:
    MoveStep(RenameSession &session, std::function<void()> changed, std::vector<int> rows,
             int delta, NameLists::Moving moving, const QString &name)
        : QUndoCommand(name), m_session(session), m_changed(std::move(changed)),
          m_rows(std::move(rows)), m_delta(delta), m_moving(moving) {}

    void undo() override {
        std::vector<int> moved = m_rows;
        for (int &row : moved)
            row += m_delta;
        m_session.lists().moveRows(moved, -m_delta, m_moving);
        m_changed();
    }
    void redo() override {
        m_session.lists().moveRows(m_rows, m_delta, m_moving);
        m_changed();
    }

private:
    RenameSession &m_session;
    std::function<void()> m_changed;
    std::vector<int> m_rows;
    int m_delta;
    NameLists::Moving m_moving;
};

class NumberFormatStep : public QUndoCommand {
public:
    NumberFormatStep(RenameSession &session, std::function<void()> changed,
                     filvane::NumberFormat before, filvane::NumberFormat after, const QString &name)
        : QUndoCommand(name), m_session(session), m_changed(std::move(changed)),
          m_before(std::move(before)), m_after(std::move(after)) {}

    void undo() override { set(m_before); }
    void redo() override { set(m_after); }

private:
    void set(const filvane::NumberFormat &format) {
        m_session.setNumberFormat(format);
        m_changed();
    }

    RenameSession &m_session;
    std::function<void()> m_changed;
    filvane::NumberFormat m_before;
    filvane::NumberFormat m_after;
};

} // namespace

ListEdits::ListEdits(RenameSession &session, std::function<void()> changed)
    : m_session(session), m_changed(std::move(changed)) {}

int ListEdits::editNames(const QString &name, const std::function<void()> &edit) {
    NameLists &lists = m_session.lists();
    const std::span<std::string> names = lists.newNames();
    const std::vector<std::string> before(names.begin(), names.end());
    edit();
    const std::span<std::string> after = lists.newNames();
    std::vector<int> rows;
    std::vector<std::string> was, now;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i] == after[i])
            continue;
        rows.push_back(static_cast<int>(i) + 1);
        was.push_back(before[i]);
        now.push_back(after[i]);
    }
    if (!rows.empty())
        m_stack.push(
            new NamesStep(m_session, m_changed, rows, std::move(was), std::move(now), name));
    return static_cast<int>(rows.size());
}

void ListEdits::typed(int row, std::string before, std::string after, const QString &name) {
    if (before == after)
        return;
    m_stack.push(
        new TypingStep(m_session, m_changed, {row}, {std::move(before)}, {std::move(after)}, name));
}

bool ListEdits::move(std::vector<int> rows, int delta, NameLists::Moving moving,
                     const QString &name) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int count = m_session.lists().fileCount();
    if (rows.empty() || rows.front() + std::min(delta, 0) < 1 ||
        rows.back() + std::max(delta, 0) > count)
        return false;
    m_stack.push(new MoveStep(m_session, m_changed, std::move(rows), delta, moving, name));
    return true;
}

void ListEdits::setNumberFormat(const filvane::NumberFormat &format, const QString &name) {
    const filvane::NumberFormat before = m_session.options().numbers;
    if (before == format)
        return;
    m_stack.push(new NumberFormatStep(m_session, m_changed, before, format, name));
}
