#pragma once

// What the program remembers between runs, in $XDG_CONFIG_HOME/filvane/filvane.conf (an INI
// file; ~/.config when the variable is not set). Every value read is checked: one that is
// missing, of the wrong type or out of range reads as its default, and a file that cannot be
// read at all, or is not an INI file, reads as all defaults. Saving never throws; it reports
// whether the value reached the disk, and a failed save leaves the old file as it was.

#include "core/base/Collation.h"
#include "core/names/NameTools.h"
#include "core/plan/RenamePlan.h"
#include "core/texts/TextTable.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

using filvane::SortOrder;

// The folder last read on one volume, keyed by the volume's root path (its mount point).
struct LastFolder {
    std::string volume;
    std::string folder;

    bool operator==(const LastFolder &) const = default;
};

enum class RememberedWindow { Main, Read, Options, About, Plan };
inline constexpr int RememberedWindowCount = 5;

struct Remembered {
    filvane::Language language = filvane::Language::English;
    // The options as last accepted (the number format as the name tools last set it).
    filvane::RenameOptions options;
    SortOrder sortOrder = SortOrder::Bytes;
    // Most recently read first, each volume once.
    std::vector<LastFolder> lastFolders;
    // The mask of the last accepted read; none before the first.
    std::optional<std::string> mask;
    // Top-left corners of the windows' frames, indexed by RememberedWindow.
    std::array<std::optional<QPoint>, RememberedWindowCount> positions;
    // The size of the live plan, the one window the user sizes.
    std::optional<QSize> planSize;

    // The folder last read on `volume`, if any.
    std::optional<std::string> lastFolderOn(const std::string &volume) const;
    std::optional<QPoint> position(RememberedWindow window) const {
        return positions[std::size_t(window)];
    }
};

class AppSettings {
public:
    // How many volumes keep their last folder; the least recently read goes first.
    static constexpr std::size_t MaxVolumes = 32;
    // Entries of the last folders' list looked at, valid or not.
    static constexpr std::size_t MostLastFolderEntries = 4 * MaxVolumes;

    // The settings file in the user's configuration folder, from the environment now.
    static QString defaultPath();

    explicit AppSettings(QString path = defaultPath());

    const QString &path() const { return m_path; }

    Remembered load() const;

    // Each save writes through at once, so a crash later loses nothing saved before it.
    bool saveLanguage(filvane::Language language);
    bool saveOptions(const filvane::RenameOptions &options);
    bool saveSortOrder(SortOrder order);
    // Also makes `volume` the most recent one; rejects a volume or folder that is not an
    // absolute path.
    bool saveLastFolder(const std::string &volume, const std::string &folder);
    bool saveMask(const std::string &mask);
    bool saveWindowPosition(RememberedWindow window, QPoint topLeft);
    bool savePlanSize(QSize size);
    // Everything at once.
    bool save(const Remembered &remembered);

private:
    QString m_path;
};

// Where a window whose frame was last at `topLeft` may open again: there, when enough of it
// falls on one of the screens' available areas to be grabbed and moved; otherwise nowhere
// (the caller centres it as at a first start).
std::optional<QPoint> placeOnScreens(QPoint topLeft, QSize frameSize,
                                     const QList<QRect> &availableAreas);
