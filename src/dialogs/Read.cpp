#include "dialogs/Read.h"

#include "core/drive/NoReplaceRename.h"

#include "ui_Read.h"

#include "controls/AccessibleComboBox.h"
#include "controls/AccessibleText.h"
#include "controls/ButtonGlyphs.h"
#include "controls/QtText.h"
#include "controls/WindowSetup.h"
#include "core/listing/DirectoryTree.h"
#include "core/listing/SearchPattern.h"
#include "core/texts/ErrorText.h"
#include "core/texts/TextTable.h"
#include "dialogs/ReadDirectoryList.h"

#include <QKeyEvent>

#include <QMessageBox>
#include <QShowEvent>
#include <cstdlib>

using filvane::UiText;
using filvane::VolumeKind;

namespace {

QPixmap volumeImage(VolumeKind kind) {
    switch (kind) {
    case VolumeKind::Removable:
        return transparentPixmap(QStringLiteral(":/images/drive_removable.png"));
    case VolumeKind::Fixed:
        return transparentPixmap(QStringLiteral(":/images/drive_fixed.png"));
    case VolumeKind::Remote:
        return transparentPixmap(QStringLiteral(":/images/drive_remote.png"));
    case VolumeKind::CdRom:
        return transparentPixmap(QStringLiteral(":/images/drive_cdrom.png"));
    case VolumeKind::RamDisk:
        return transparentPixmap(QStringLiteral(":/images/drive_ram.png"));
    }
    return {};
}

} // namespace

TReadForm::TReadForm(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TReadForm>()), m_volumeSource(&filvane::readVolumes),
      // The list starts where the process was started; it keeps its own open directory after.
      m_openDirectory(filvane::currentDirectory()) {
    nameDropDownListsForScreenReaders();
    ui->setupUi(this);
    setFixedWindowFlags(this, Qt::Dialog);
    setFixedSize(size());

    ui->OKBtn->setIcon(twinIcon(QStringLiteral(":/images/ok.png")));
    ui->CancelBtn->setIcon(twinIcon(QStringLiteral(":/images/cancel.png")));

    m_directoryModel = new ReadDirectoryModel(this);
    ui->DirBox->setModel(m_directoryModel);
    ui->DirBox->setItemDelegate(new ReadDirectoryDelegate(ui->DirBox));
    ui->DirBox->installEventFilter(this);

    connect(ui->DirBox, &QListView::doubleClicked, this, &TReadForm::DirBoxOpen);
    connect(ui->DriveCombo, &QComboBox::currentIndexChanged, this, &TReadForm::DriveComboChange);
    connect(ui->FilterBox, &QComboBox::currentIndexChanged, this, &TReadForm::FilterBoxChange);
    connect(ui->OKBtn, &QToolButton::clicked, this, &TReadForm::OKBtnClick);
    connect(ui->CancelBtn, &QToolButton::clicked, this, &TReadForm::CancelBtnClick);
}

TReadForm::~TReadForm() = default;

void TReadForm::setVolumeSource(std::function<std::vector<filvane::Volume>()> source) {
    m_volumeSource = std::move(source);
}

void TReadForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (!m_shownBefore) {
        m_shownBefore = true;
        firstShowing();
    }
    FormActivate();
}

void TReadForm::firstShowing() {
    // Centred once, or where an earlier run left it; later showings open where the user left
    // the dialog.
    if (m_firstPosition)
        move(*m_firstPosition);
    else
        centreOnScreen(this);
    buildDriveList();
    buildFilterList();
    const filvane::SubdirectoryListing listing = filvane::listSubdirectories(m_openDirectory);
    showListing(listing.names);
    if (!m_restoredMask.empty()) {
        ui->TypeEdit->setText(qstr(m_restoredMask));
        // The filter list shows the same mask, which is what is listed at the root.
        for (size_t row = 0; row < m_filters.size(); ++row)
            if (QString::compare(qstr(m_filters[row].mask), qstr(m_restoredMask),
                                 Qt::CaseInsensitive) == 0) {
                const QSignalBlocker quiet(ui->FilterBox);
                ui->FilterBox->setCurrentIndex(static_cast<int>(row));
                break;
            }
    }
    ui->DirBox->setFocus();
}

void TReadForm::restore(std::vector<std::pair<std::string, std::string>> foldersByVolume,
                        std::string mask) {
    m_restoredFolders = std::move(foldersByVolume);
    m_restoredMask = std::move(mask);
    // Started in a terminal inside some folder, the user means that folder; started from the
    // desktop (in the home folder), the most recent folder opens first, if it is still one.
    const char *home = std::getenv("HOME");
    if (home && *home &&
        filvane::directoryIdentity(m_openDirectory) != filvane::directoryIdentity(home))
        return;
    for (const auto &[volume, folder] : m_restoredFolders) {
        if (filvane::directoryIdentity(folder)) {
            m_openDirectory = folder;
            break;
        }
    }
}

std::string TReadForm::openVolume() const {
    const int volume = filvane::volumeOfDirectory(m_volumes, m_openDirectory);
    return volume < 0 ? std::string() : m_volumes[static_cast<size_t>(volume)].mountPoint;
}

void TReadForm::FormActivate() {
    setWindowTitle(qstr(m_texts[UiText::ReadDialogCaption]));
    ui->CancelBtn->setText(qstr(m_texts[UiText::ReadDialogCancel]));
    m_accepted = false;
    ui->OKBtn->resize(ui->OKBtn->width(), 32);
    ui->CancelBtn->resize(ui->CancelBtn->width(), 32);
    applyAccessibleTexts();
}

void TReadForm::applyAccessibleTexts() {
    const auto text = [this](AccessibleText entry) {
        return accessibleText(entry, m_texts.language());
    };
    ui->Panel1->setAccessibleName(windowTitle());
    ui->DriveCombo->setAccessibleName(text(AccessibleText::DriveList));
    ui->DirBox->setAccessibleName(text(AccessibleText::FolderList));
    ui->DirBox->setAccessibleDescription(text(AccessibleText::FolderListDescription));
    ui->FilterBox->setAccessibleName(text(AccessibleText::FileTypeList));
    ui->TypeEdit->setAccessibleName(text(AccessibleText::MaskBox));
    ui->TypeEdit->setAccessibleDescription(text(AccessibleText::MaskBoxDescription));
    ui->OKBtn->setAccessibleName(ui->OKBtn->text());
    ui->OKBtn->setAccessibleDescription(text(AccessibleText::ReadOkDescription));
    ui->CancelBtn->setAccessibleName(ui->CancelBtn->text());
    ui->CancelBtn->setAccessibleDescription(text(AccessibleText::ReadCancelDescription));
}

void TReadForm::buildDriveList() {
    m_volumes = m_volumeSource ? m_volumeSource() : std::vector<filvane::Volume>{};
    const QSignalBlocker quiet(ui->DriveCombo);
    ui->DriveCombo->clear();
    for (const filvane::Volume &volume : m_volumes)
        ui->DriveCombo->addItem(QIcon(volumeImage(volume.kind)), qstr(volume.text));
    for (const auto &[mountPoint, folder] : m_restoredFolders)
        for (size_t row = 0; row < m_volumes.size(); ++row)
            if (m_volumes[row].mountPoint == mountPoint)
                m_lastOpenedOnVolume.emplace(static_cast<int>(row), folder);
    rememberOnVolume();
}

void TReadForm::buildFilterList() {
    m_filters = filvane::parseFilterText(filvane::ReadFilterText);
    const QSignalBlocker quiet(ui->FilterBox);
    ui->FilterBox->clear();
    for (const filvane::FilterEntry &entry : m_filters)
        ui->FilterBox->addItem(qstr(entry.description));
    ui->FilterBox->setCurrentIndex(m_filters.empty() ? -1 : 0);
}

void TReadForm::showListing(std::vector<std::string> subdirectories) {
    m_directoryModel->setListing(m_openDirectory, std::move(subdirectories));
    const QModelIndex current = m_directoryModel->index(m_directoryModel->currentRow());
    ui->DirBox->setCurrentIndex(current);
    ui->DirBox->scrollTo(current);
}

bool TReadForm::changeDirectory(const std::string &path) {
    const filvane::DirectoryOpening opening = filvane::resolveDirectory(path);
    if (opening.error != 0) {
        showError(opening.error);
        return false;
    }
    if (opening.directory == m_openDirectory)
        return true;
    filvane::SubdirectoryListing listing = filvane::listSubdirectories(opening.directory);
    if (listing.error != 0) {
        showError(listing.error);
        return false;
    }
    m_openDirectory = opening.directory;
    showListing(std::move(listing.names));
    rememberOnVolume();
    return true;
}

void TReadForm::rememberOnVolume() {
    // Walking the path rows can cross onto another volume; the drive list follows silently.
    const int volume = filvane::volumeOfDirectory(m_volumes, m_openDirectory);
    if (volume < 0)
        return;
    m_lastOpenedOnVolume[volume] = m_openDirectory;
    const QSignalBlocker quiet(ui->DriveCombo);
    ui->DriveCombo->setCurrentIndex(volume);
}

void TReadForm::DirBoxOpen(const QModelIndex &index) {
    if (!index.isValid() || index.row() == m_directoryModel->currentRow())
        return;
    changeDirectory(m_directoryModel->directoryOfRow(index.row()));
}

void TReadForm::DriveComboChange() {
    const int volume = ui->DriveCombo->currentIndex();
    if (volume < 0 || static_cast<size_t>(volume) >= m_volumes.size() ||
        volume == filvane::volumeOfDirectory(m_volumes, m_openDirectory))
        return;
    const auto last = m_lastOpenedOnVolume.find(volume);
    const bool remembered = last != m_lastOpenedOnVolume.end();
    const std::string target =
        remembered ? last->second : m_volumes[static_cast<size_t>(volume)].mountPoint;
    // A remembered directory that has gone is forgotten, so the next try opens the mount point.
    if (!changeDirectory(target) && remembered)
        m_lastOpenedOnVolume.erase(volume);
}

void TReadForm::FilterBoxChange() {
    ui->TypeEdit->setText(qstr(filterMask()));
}

std::string TReadForm::filterMask() const {
    return filvane::filterMask(m_filters, ui->FilterBox->currentIndex());
}

std::string TReadForm::searchPattern() const {
    if (m_openDirectory == filvane::RootDirectory)
        return filvane::joinSearchPattern(m_openDirectory, filterMask());
    return filvane::joinSearchPattern(m_openDirectory, ui->TypeEdit->text().toStdString());
}

void TReadForm::OKBtnClick() {
    // What is highlighted is what gets listed: a folder clicked once is opened first. One that
    // cannot be entered shows why and keeps the dialog open on the folder it had.
    const QModelIndex highlighted = ui->DirBox->currentIndex();
    if (highlighted.isValid() && highlighted.row() != m_directoryModel->currentRow() &&
        !changeDirectory(m_directoryModel->directoryOfRow(highlighted.row())))
        return;
    m_accepted = true;
    accept();
}

void TReadForm::CancelBtnClick() {
    m_accepted = false;
    reject();
}

void TReadForm::showError(int error) {
    QMessageBox box(QMessageBox::Critical, qstr(filvane::ApplicationTitle),
                    qstr(filvane::errorText(error, m_texts, filvane::ErrorVoice::ErrorBox)),
                    QMessageBox::Ok, this);
    box.exec();
}

void TReadForm::keyPressEvent(QKeyEvent *event) {
    if (!acceptOrCancelKey(
            event, [this] { OKBtnClick(); }, [this] { CancelBtnClick(); }))
        QDialog::keyPressEvent(event);
}

bool TReadForm::eventFilter(QObject *watched, QEvent *event) {
    // Enter in the directory list opens the highlighted folder; on the open folder itself,
    // where there is nothing to open, it is OK, so Read and Enter list the folder at once.
    if (watched == ui->DirBox && event->type() == QEvent::KeyPress &&
        isEnterKey(static_cast<QKeyEvent *>(event))) {
        const QModelIndex highlighted = ui->DirBox->currentIndex();
        if (highlighted.isValid() && highlighted.row() != m_directoryModel->currentRow())
            DirBoxOpen(highlighted);
        else
            OKBtnClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
