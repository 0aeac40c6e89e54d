#pragma once

#include "core/listing/FilterText.h"
#include "core/listing/Volumes.h"
#include "core/texts/TextTable.h"

#include <QDialog>
#include <QPoint>

#include <optional>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QModelIndex;
class ReadDirectoryModel;
namespace Ui {
class TReadForm;
}

// Chooses the directory and the mask the main window lists. The directory list keeps its open
// directory itself; the process's current directory is never moved.
class TReadForm : public QDialog {
    Q_OBJECT
public:
    explicit TReadForm(QWidget *parent = nullptr);
    ~TReadForm() override;

    // Where the first showing puts the dialog (remembered from an earlier run); centred when
    // none is given.
    void setFirstPosition(QPoint position) { m_firstPosition = position; }

    // The captions of the next showing, in the window's language.
    void setTexts(const filvane::StoredTexts &texts) { m_texts = texts; }

    bool isAccepted() const { return m_accepted; }
    std::string openDirectory() const { return m_openDirectory; }
    // At the root the filter entry's mask, elsewhere the type box as typed.
    std::string searchPattern() const;
    std::string filterMask() const;

    // Opens a directory in the directory list. When it cannot be entered, shows the error
    // display, stays where it was and returns false.
    bool changeDirectory(const std::string &path);

    void FormActivate();
    void DriveComboChange();
    void FilterBoxChange();
    void OKBtnClick();
    void CancelBtnClick();
    void DirBoxOpen(const QModelIndex &index);

    const std::vector<filvane::Volume> &volumes() const { return m_volumes; }
    // The rows of the drive list come from here at the first showing (tests hand in their own).
    void setVolumeSource(std::function<std::vector<filvane::Volume>()> source);

    // What the last runs of the program left: the folder last read on each volume (by its
    // mount point, most recent first; the first one opens at the first showing) and the mask.
    void restore(std::vector<std::pair<std::string, std::string>> foldersByVolume,
                 std::string mask);
    // The mount point of the volume the open directory lies on; empty when none is known.
    std::string openVolume() const;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void firstShowing();
    void buildDriveList();
    void buildFilterList();
    void showListing(std::vector<std::string> subdirectories);
    void rememberOnVolume();
    void showError(int error);
    void applyAccessibleTexts();

    std::unique_ptr<Ui::TReadForm> ui;
    filvane::StoredTexts m_texts;
    ReadDirectoryModel *m_directoryModel = nullptr;
    std::function<std::vector<filvane::Volume>()> m_volumeSource;
    std::vector<filvane::Volume> m_volumes;
    std::map<int, std::string> m_lastOpenedOnVolume;                    // by volume row
    std::vector<std::pair<std::string, std::string>> m_restoredFolders; // mount point, folder
    std::string m_restoredMask;
    std::vector<filvane::FilterEntry> m_filters;
    std::string m_openDirectory;
    bool m_accepted = false;
    bool m_shownBefore = false;
    std::optional<QPoint> m_firstPosition;
};
