#include "controls/AccessibleText.h"

#include <QKeySequence>

#include <array>

namespace {

struct Entry {
    const char *english;
    const char *hungarian;
};

// In the order of the enumeration.
constexpr std::array<Entry, 28> table{{
    {"Toolbar", "Eszköztár"},
    {"About", "Névjegy"},
    {"Exit", "Kilépés"},
    {"Language: English", "Nyelv: magyar"},
    {"Files read", "Beolvasott file-ok"},
    {"The files of the listed folder, numbered and sorted",
     "A beolvasott mappa file-jai, számozva és rendezve"},
    {"New names", "Új nevek"},
    {"Type the new name of each file beside it; Enter moves to the next row",
     "Írd be minden file új nevét mellé; az Enter a következő sorra lép"},
    {"Status bar", "Állapotsor"},
    {"Number of files listed", "A beolvasott file-ok száma"},
    {"No folder listed", "Nincs beolvasott mappa"},
    {"Listed folder and mask", "Beolvasott mappa és maszk"},
    {"Drive", "Meghajtó"},
    {"Folders", "Mappák"},
    {"Enter or a double click opens a folder; OK lists the highlighted folder",
     "Enter vagy dupla kattintás megnyitja a mappát; az OK a kijelölt mappát olvassa be"},
    {"File type", "File típus"},
    {"Mask", "Maszk"},
    {"Which files to list, for example *.mp3", "Mely file-ok legyenek beolvasva, például *.mp3"},
    {"Lists the files of the highlighted folder (Enter)",
     "A kijelölt mappa file-jainak beolvasása (Enter)"},
    {"Closes without listing (Esc)", "Bezárás beolvasás nélkül (Esc)"},
    {"New names start with the row number", "Az új nevek a sorszámmal kezdődnek"},
    {"Files get their numbers alone as names", "A file-ok neve csak a sorszámuk lesz"},
    {"Each file keeps its own extension", "Minden file megtartja a saját kiterjesztését"},
    {"Extension", "Kiterjesztés"},
    {"The extension every file gets while Keep extension is off",
     "Ezt a kiterjesztést kapja minden file, ha a kiterjesztés megőrzése ki van kapcsolva"},
    {"Fills the new names from the old names", "Az új neveket a régi nevekből tölti ki"},
    {"Applies the options (Enter)", "A beállítások alkalmazása (Enter)"},
    {"Closes without changing the options (Esc)", "Bezárás a beállítások módosítása nélkül (Esc)"},
}};

static_assert(table.size() == static_cast<size_t>(AccessibleText::OptionsCancelDescription) + 1);

} // namespace

QString accessibleText(AccessibleText entry, filvane::Language language) {
    const Entry &e = table[static_cast<size_t>(entry)];
    return QString::fromUtf8(language == filvane::Language::English ? e.english : e.hungarian);
}

QString withShortcut(const QString &hint, const QKeySequence &keys) {
    return hint + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
}
