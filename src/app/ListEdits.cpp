#include "app/ListEdits.h"

#include "core/RenameSession.h"

#include <QUndoCommand>

#include <algorithm>

#include <utility>

namespace {

using filvane::NameLists;
using filvane::RenameSession;

// New names of some rows before and after a step. The first redo makes the edit and keeps the
// rows it changed; undo writes them back, a later redo writes them again.
class NamesStep : public QUndoCommand {
public:
    // `changedRows`, when given, is told how many rows the first redo changed.
    NamesStep(RenameSession &session, std::function<void()> changed, std::function<void()> edit,
              const QString &name, int *changedRows)
        : QUndoCommand(name), m_session(session), m_changed(std::move(changed)),
          m_edit(std::move(edit)), m_changedRows(changedRows) {}

    void undo() override { write(m_before); }
    void redo() override {
        if (!m_edit) {
            write(m_after);
            return;
        }
        // The caller shows the first redo's result (it knows which row to keep current).
        const std::vector<std::string> before = newNames();
        std::exchange(m_edit, nullptr)(); // it may refer to the caller's locals: run it once
        const std::vector<std::string> after = newNames();
        for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
            if (before[i] == after[i])
                continue;
            m_rows.push_back(static_cast<int>(i) + 1);
            m_before.push_back(before[i]);
            m_after.push_back(after[i]);
        }
        if (m_changedRows)
            *m_changedRows = static_cast<int>(m_rows.size());
        m_changedRows = nullptr;
        // A step that changed no name is not kept: the stack deletes it.
        setObsolete(m_rows.empty());
    }

protected:
    NamesStep(RenameSession &session, std::function<void()> changed, std::vector<int> rows,
              std::vector<std::string> before, std::vector<std::string> after, const QString &name)
        : QUndoCommand(name), m_session(session), m_changed(std::move(changed)),
          m_rows(std::move(rows)), m_before(std::move(before)), m_after(std::move(after)) {}

    void writeCells(const std::vector<std::string> &texts) {
        for (size_t i = 0; i < m_rows.size(); ++i)
            m_session.setNewName(m_rows[i], texts[i]);
    }
    std::vector<std::string> newNames() const { return m_session.lists().typedNames(); }
    void write(const std::vector<std::string> &texts) {
        writeCells(texts);
        m_changed();
    }

    RenameSession &m_session;
    std::function<void()> m_changed;
    std::function<void()> m_edit;
    int *m_changedRows = nullptr;
    std::vector<int> m_rows;
    std::vector<std::string> m_before;
    std::vector<std::string> m_after;
};

// Keystrokes in one cell, merged into one step as long as they follow each other there. Its
// first redo writes the cell while its editor is open: the model shows that cell itself, and a
// reset of the views would close the editor.
class TypingStep : public NamesStep {
public:
    TypingStep(RenameSession &session, std::function<void()> changed, int row, std::string text,
               const QString &name)
        : NamesStep(session, std::move(changed), {row},
                    {std::string(session.lists().typedName(row))}, {std::move(text)}, name) {}
    static constexpr int Id = 1;
    int id() const override { return Id; }
    void redo() override {
        if (m_done)
            write(m_after);
        else
            writeCells(m_after);
        m_done = true;
    }
    bool mergeWith(const QUndoCommand *other) override {
        const auto *next = static_cast<const TypingStep *>(other);
        if (next->m_rows != m_rows)
            return false;
        m_after = next->m_after;
        // Typed back to what it was: no step at all.
        setObsolete(m_after == m_before);
        return true;
    }

private:
    bool m_done = false;
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
        m_session.moveRows(moved, -m_delta, m_moving);
        m_changed();
    }
    void redo() override {
        m_session.moveRows(m_rows, m_delta, m_moving);
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

int ListEdits::editNames(const QString &name, std::function<void()> edit) {
    if (!edit)
        return 0;
    int changed = 0;
    m_stack.push(new NamesStep(m_session, m_changed, std::move(edit), name, &changed));
    return changed;
}

bool ListEdits::typed(int row, std::string text, const QString &name) {
    // The blank row of a list without files takes text too, as a cell does.
    if (row < 1 || row >= m_session.lists().nameList().rowCount())
        return false;
    if (m_session.lists().typedName(row) != text)
        m_stack.push(new TypingStep(m_session, m_changed, row, std::move(text), name));
    return true;
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
