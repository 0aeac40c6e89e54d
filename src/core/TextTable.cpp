#include "TextTable.h"

namespace filvane {

namespace {

struct Entry {
    std::string_view english;
    std::string_view hungarian;
};

// Indexed by entry number - 1.
constexpr std::array<Entry, UiTextCount> table{{
    {"Read", "Beolvas"},
    {"Clear", "Töröl"},
    {"Rename", "Átnevez"},
    {"Options", "Beállítás"},
    {"Read file names", "File nevek beolvasása"},
    {"Clear list", "Lista törlése"},
    {"Rename files", "Fájl-ok átnevezése"},
    {"Renaming options", "Átnevezési beállítások"},
    {"Show AboutBox", "Névjegy megmutatása"},
    {"Change language", "Nyelv megváltoztatása"},
    {"Exit Filvane", "Kilépés a Filvane-ből"},
    {"Items: ", "Darab: "},
    {"Are you sure to rename the files?", "Biztos, hogy át akarod nevezni a beolvasott file-okat?"},
    {"Items:", "Darab:"},
    {"File Name", "File Név"},
    {"Choose directory", "File-ok beolvasása"},
    {"Cancel", "Mégse"},
    {"File numbering", "File számozás"},
    {"Files", "Fil-ok"},
    {"Numbering", "Számozás"},
    {"Numbers only", "Csak számozás"},
    {"Keep extension", "Kiterjesztés megőrzése"},
    {"Keep filenames", "File nevek megőrzése"},
    {"Cancel", "Mégse"},
    {"Options", "Beállítások"},
    {"%1 of %2 files could not be renamed:", "%2 file-ból %1 nem lett átnevezve:"},
    {"Old name", "Régi név"},
    {"New name", "Új név"},
    {"Reason", "Hiba oka"},
    {"A file of that name exists", "Már van ilyen nevű file"},
    {"The file is gone", "A file eltűnt"},
    {"The name is not allowed", "A név nem megengedett"},
    {"Access refused", "Hozzáférés megtagadva"},
    {"Other error, number %1", "Egyéb hiba, hibakód: %1"},
    {"Renaming files: %1 of %2", "File-ok átnevezése: %1 / %2"},
    {"Stop", "Leállít"},
    {"The disk is full", "A lemez megtelt"},
    {"A folder has taken the file's place", "A file helyén most egy mappa van"},
    {"The file has been renamed since", "A file-t azóta átnevezték"},
    {"Another file has taken its name since", "Azóta egy másik file viseli ezt a nevet"},
    {"now named %1", "most ez a neve: %1"},
    {"The folder has changed since it was read. Nothing was renamed.",
     "A mappa megváltozott a beolvasás óta. Egy file sem lett átnevezve."},
    {"The rename could not be recorded for Undo (%1). Nothing was renamed.",
     "Az átnevezést nem sikerült rögzíteni a visszavonáshoz (%1). Egy file sem lett átnevezve."},
}};

} // namespace

std::string_view uiText(UiText entry, Language language) {
    const Entry &e = table[static_cast<size_t>(entry) - 1];
    return language == Language::English ? e.english : e.hungarian;
}

void StoredTexts::apply(Language language) {
    m_language = language;
    for (int i = 1; i <= UiTextCount; ++i)
        m_texts[static_cast<size_t>(i) - 1] = uiText(static_cast<UiText>(i), language);
}

} // namespace filvane
