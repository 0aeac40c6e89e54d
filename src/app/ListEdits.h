#pragma once

#include "core/lists/NameLists.h"
#include "core/names/NameTools.h"

#include <QString>
#include <QUndoStack>

#include <functional>
#include <string>
#include <vector>

namespace filvane {
class RenameSession;
}

// What the user does to the lists, as steps that Ctrl+Z takes back and Ctrl+Shift+Z does again:
// typing in a cell (a cell's keystrokes are one step), a paste, a fill, each name tool, a change
// of the numbers, each move of files or names, and what Options and Read's cancel do to the
// names. A new listing starts a new history. Nothing else changes the session's lists. The
// steps change them in redo() and undo() and then call `changed`, so the window shows them.
class ListEdits {
public:
    ListEdits(filvane::RenameSession &session, std::function<void()> changed);

    QUndoStack &stack() { return m_stack; }

    // A step called `name` whose first redo runs `edit`, which changes new names (at once, so
    // it may refer to the caller's locals). A step that changed no name is not kept. Returns the
    // rows it changed.
    int editNames(const QString &name, std::function<void()> edit);
    // Writes a cell's text as typed into data row `row`: keystrokes in one cell, one after
    // another, make one step. False, writing nothing, for a row beyond the list.
    bool typed(int row, std::string text, const QString &name);
    // Moves the files (or the new names) of `rows` one row up or down as one step.
    bool move(std::vector<int> rows, int delta, filvane::NameLists::Moving moving,
              const QString &name);
    // Sets how numbers read, as one step.
    void setNumberFormat(const filvane::NumberFormat &format, const QString &name);
    // After a listing: the steps were about files no longer shown.
    void clear() { m_stack.clear(); }

private:
    filvane::RenameSession &m_session;
    std::function<void()> m_changed;
    QUndoStack m_stack;
};
