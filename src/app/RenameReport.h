#pragma once

#include "core/run/Rename.h"
#include "core/texts/TextTable.h"

#include <QElapsedTimer>

#include <memory>
#include <vector>

class QMessageBox;
class QProgressDialog;
class QWidget;

// The warning that lists every file a run could not rename: old name, intended name and the
// reason in words, in a list that scrolls. Null when no row failed, so such a run stays silent.
// The list reads `rows` in place: they must outlive the box.
std::unique_ptr<QMessageBox> makeRenameReport(const std::vector<filvane::RowOutcome> &rows,
                                              const filvane::StoredTexts &texts, QWidget *parent);

// Follows a rename run through its progress callback. Once the run has gone on for `delayMs`
// it shows a window-modal progress dialog, files done of total, whose Stop button ends the run
// before the next file. A shorter run shows nothing.
class RunProgress {
public:
    // `label` says what is counted ("%1 of %2").
    RunProgress(QWidget *parent, const filvane::StoredTexts &texts, int delayMs,
                filvane::UiText label = filvane::UiText::ProgressLabel);
    ~RunProgress();
    RunProgress(const RunProgress &) = delete;
    RunProgress &operator=(const RunProgress &) = delete;

    // The callback: false once the user asked to stop.
    bool update(int done, int total);

private:
    void show(int total);
    void refresh(int done, int total);

    QWidget *m_parent;
    const filvane::StoredTexts &m_texts;
    int m_delayMs;
    filvane::UiText m_label;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceRefresh;
    std::unique_ptr<QProgressDialog> m_dialog;
};
