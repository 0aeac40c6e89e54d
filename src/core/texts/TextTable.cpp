#include "core/texts/TextTable.h"

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
    {"%1 files in %2", "%1 fájl itt: %2"},
    {"%1 rows have no new name: their files get the number and extension alone, e.g. \"%2\".",
     "%1 sorban nincs új név: ezek a fájlok csak számot és kiterjesztést kapnak, pl. \"%2\"."},
    {"%1 names are not allowed: these files keep their names.",
     "%1 név nem megengedett: ezek a fájlok megtartják a nevüket."},
    {"%1 names belong to other files: these files keep their names.",
     "%1 név már egy másik fájlé: ezek a fájlok megtartják a nevüket."},
    {"%1 rows repeat a name of a row above: these files keep their names.",
     "%1 sor egy feljebb lévő sor nevét ismétli: ezek a fájlok megtartják a nevüket."},
    {"%1 names are too long for this disk: these files keep their names.",
     "%1 név túl hosszú ehhez a lemezhez: ezek a fájlok megtartják a nevüket."},
    {"no new name", "nincs új név"},
    {"same name as row %1", "ugyanaz a név, mint a(z) %1. sorban"},
    {"name belongs to another file", "a név egy másik fájlé"},
    {"name too long", "túl hosszú név"},
    {"Rename named rows only", "Csak a kitöltött sorok"},
    {"More than %1 files match: none is listed, so none can be renamed.",
     "Több mint %1 fájl illeszkedik: egyik sincs listázva, így egyik sem nevezhető át."},
    {"Undo last rename", "Utolsó átnevezés visszavonása"},
    {"Undo the last rename: give %1 files in %2 their names back?",
     "Visszavonod az utolsó átnevezést: %1 fájl kapja vissza a nevét itt: %2?"},
    {"The run was stopped: %1 files were renamed, the other %2 keep their names.",
     "Az átnevezés leállt: %1 fájl át lett nevezve, a többi %2 megtartja a nevét."},
    {"Undo", "Visszavonás"},
    {"A rename in %1 was cut off: %2 of %3 files had been renamed.",
     "Egy átnevezés félbeszakadt itt: %1. %3 fájlból %2 át lett nevezve."},
    {"%1 files are under a temporary name.", "%1 fájl ideiglenes néven van."},
    {"Restore the names", "Nevek visszaállítása"},
    {"Finish the run", "Átnevezés befejezése"},
    {"Leave them", "Maradjon így"},
    {"Sorted in natural order (Track 2 before Track 10); click for byte order",
     "Természetes sorrend (Track 2 a Track 10 előtt); kattintás: bájtsorrend"},
    {"Sorted by bytes; click for natural order (Track 2 before Track 10)",
     "Bájtsorrend; kattintás: természetes sorrend (Track 2 a Track 10 előtt)"},
    {"The files were renamed, but the end of the run could not be written to its journal (%1). "
     "The run can still be undone.",
     "A fájlok át lettek nevezve, de az átnevezés végét nem sikerült a naplóba írni (%1). Az "
     "átnevezés így is visszavonható."},
    {"%1 file in %2", "%1 fájl itt: %2"},
    {"%1 row has no new name: its file gets the number and extension alone, e.g. \"%2\".",
     "%1 sorban nincs új név: ez a fájl csak számot és kiterjesztést kap, pl. \"%2\"."},
    {"%1 name is not allowed: this file keeps its name.",
     "%1 név nem megengedett: ez a fájl megtartja a nevét."},
    {"%1 name belongs to another file: this file keeps its name.",
     "%1 név már egy másik fájlé: ez a fájl megtartja a nevét."},
    {"%1 row repeats a name of a row above: this file keeps its name.",
     "%1 sor egy feljebb lévő sor nevét ismétli: ez a fájl megtartja a nevét."},
    {"%1 name is too long for this disk: this file keeps its name.",
     "%1 név túl hosszú ehhez a lemezhez: ez a fájl megtartja a nevét."},
    {"%1 names have nothing before the extension: these files keep their names.",
     "%1 névben nincs semmi a kiterjesztés előtt: ezek a fájlok megtartják a nevüket."},
    {"%1 name has nothing before the extension: this file keeps its name.",
     "%1 névben nincs semmi a kiterjesztés előtt: ez a fájl megtartja a nevét."},
    {"nothing before the extension", "semmi a kiterjesztés előtt"},
    {"The name has nothing before its extension", "A névben nincs semmi a kiterjesztés előtt"},
    {"Undo the last rename: give %1 file in %2 its name back?",
     "Visszavonod az utolsó átnevezést: %1 fájl kapja vissza a nevét itt: %2?"},
    {"%1 file is under a temporary name.", "%1 fájl ideiglenes néven van."},
    {"%1 of %2 file could not be renamed:", "%2 file-ból %1 nem lett átnevezve:"},
    {"Show Details...", "Részletek..."},
    {"What the rename will do", "Mit tesz az átnevezés"},
    {"Finding", "Megjegyzés"},
    {"unchanged", "változatlan"},
    {"Copy", "Másolás"},
    {"Close", "Bezár"},
    {"Paste", "Beillesztés"},
    {"Copy", "Másolás"},
    {"Name tools...", "Néveszközök..."},
    {"Find and replace...", "Keresés és csere..."},
    {"Change case...", "Kis- és nagybetűk..."},
    {"Numbering...", "Számozás..."},
    {"Strip leading numbers", "Kezdő számok levágása"},
    {"Fill from old names without numbers", "Kitöltés a régi nevekből, számok nélkül"},
    {"Fill from tags...", "Kitöltés a címkékből..."},
    {"Undo %1", "Visszavonás: %1"},
    {"Redo %1", "Újra: %1"},
    {"Typing", "Gépelés"},
    {"Paste", "Beillesztés"},
    {"Options", "Beállítások"},
    {"Move up", "Mozgatás fel"},
    {"Move down", "Mozgatás le"},
    {"Sort by bytes", "Rendezés bájtsorrendben"},
    {"Sort in natural order", "Rendezés természetes sorrendben"},
    {"Sort by track number", "Rendezés sávszám szerint"},
    {"Sort by date taken", "Rendezés készítési dátum szerint"},
    {"Sort by modification time", "Rendezés módosítási idő szerint"},
    {"Sorted by disc and track number from the tags; files without one follow in natural order",
     "Lemez és sávszám szerint a címkékből; a szám nélküli fájlok természetes sorrendben "
     "következnek"},
    {"Sorted by the date the photos were taken; files without one follow in natural order",
     "A fényképek készítési dátuma szerint; a dátum nélküli fájlok természetes sorrendben "
     "következnek"},
    {"Sorted by the time the files were last modified", "A fájlok utolsó módosítási ideje szerint"},
    {"Reading the files: %1 of %2", "Fájlok olvasása: %1 / %2"},
    {"None of the files has the fields this needs.",
     "Egyik fájlnak sincsenek meg az ehhez szükséges mezői."},
    {"Its folder is no longer at %1: point at where it is now, or leave the run.",
     "A mappája már nincs itt: %1. Mutasd meg, hol van most, vagy hagyd így az átnevezést."},
    {"Point at the folder...", "Mappa megadása..."},
    {"The journal %1 is damaged: it was set aside and is not offered for repair.",
     "A(z) %1 napló sérült: félre lett téve, és nem kínálkozik javításra."},
    {"%1 names belong to files of the list that keep theirs: these files keep their names.",
     "%1 név a lista olyan fájljaié, amelyek megtartják a nevüket: ezek a fájlok megtartják a "
     "nevüket."},
    {"%1 name belongs to a file of the list that keeps its own: this file keeps its name.",
     "%1 név a lista egy olyan fájljáé, amely megtartja a nevét: ez a fájl megtartja a nevét."},
    {"name stays with the file of row %1", "a név a(z) %1. sor fájljánál marad"},
    {"Plan", "Terv"},
    {"Plan: what the rename will do", "Terv: mit tesz az átnevezés"},
    {"Make names safe for this drive", "Nevek igazítása a meghajtóhoz"},
    {"This would make the name of row %1 longer than %2 bytes, more than any drive takes: "
     "nothing is changed.",
     "Ettől a(z) %1. sor neve hosszabb lenne %2 bájtnál, amit egy meghajtó sem fogad el: "
     "semmi sem változik."},
    {"This would make the names together longer than %1 MB: nothing is changed.",
     "Ettől a nevek együtt hosszabbak lennének %1 MB-nál: semmi sem változik."},
    {"not allowed on this drive: %1", "ezen a meghajtón nem megengedett: %1"},
    {"%1 new names are not allowed on this drive: those files keep their names.",
     "%1 új név nem megengedett ezen a meghajtón: ezek a fájlok megtartják a nevüket."},
    {"%1 new name is not allowed on this drive: that file keeps its name.",
     "%1 új név nem megengedett ezen a meghajtón: ez a fájl megtartja a nevét."},
    {"%1 through FUSE", "%1 FUSE-on keresztül"},
    {"%1: each new name is given by an atomic rename that never replaces a file",
     "%1: minden új nevet atomi, felülírást kizáró átnevezés ad"},
    {"%1: no atomic no-replace rename here; each file gets its new name as a second link, then "
     "loses the old one",
     "%1: itt nincs atomi, felülírást kizáró átnevezés; minden fájl második linkként kapja meg "
     "az új nevét, aztán elveszti a régit"},
    {"%1: no atomic no-replace rename here; each new name is reserved first",
     "%1: itt nincs atomi, felülírást kizáró átnevezés; minden új nevet előbb lefoglal"},
    {"%1: no way to rename here without risking an overwrite; nothing is renamed",
     "%1: itt nem lehet átnevezni a felülírás kockázata nélkül; semmi sem lesz átnevezve"},
    {"Another run is working in this folder; nothing was renamed.",
     "Egy másik átnevezés dolgozik ebben a mappában; semmi sem lett átnevezve."},
    {"Another run (process %1) is working in this folder; nothing was renamed.",
     "Egy másik átnevezés (%1. folyamat) dolgozik ebben a mappában; semmi sem lett átnevezve."},
    {"A run in this folder was cut off and must be dealt with first; nothing was renamed.",
     "Egy átnevezés ebben a mappában félbeszakadt, előbb azt kell rendezni; semmi sem lett "
     "átnevezve."},
    {"Nothing was undone: the last rename in this folder is no longer the one you were asked "
     "about. Undo again to see which it is now.",
     "Semmi sem lett visszavonva: a mappa utolsó átnevezése már nem az, amelyről a kérdés szólt. "
     "Vonja vissza újra, hogy lássa, melyik az most."},
    {"Clear new names", "Új nevek törlése"},
    {"the name is not allowed", "a név nem megengedett"},
    {"the name belongs to another file", "a név egy másik fájlé"},
    {"the name is too long", "a név túl hosszú"},
    {"the name has nothing before its extension", "a névben nincs semmi a kiterjesztés előtt"},
    {"the name stays with the file of row %1, which keeps it",
     "a név a(z) %1. sor fájljánál marad, amely megtartja"},
}};

} // namespace

std::string_view uiText(UiText entry, Language language) {
    const Entry &e = table[static_cast<size_t>(entry) - 1];
    return language == Language::English ? e.english : e.hungarian;
}

UiText countedEntry(UiText entry, int count, Language language) {
    // English says one thing differently from several, and so does Hungarian: its noun stays
    // singular after any number, but the words that refer back to it do not ("ez a fájl",
    // "ezek a fájlok"). A language that adds other forms adds its rule here.
    switch (language) {
    case Language::English:
    case Language::Hungarian:
        if (count != 1)
            return entry;
        break;
    }
    switch (entry) {
    case UiText::PreflightFiles:
        return UiText::PreflightFilesOne;
    case UiText::PreflightUnnamed:
        return UiText::PreflightUnnamedOne;
    case UiText::PreflightRefused:
        return UiText::PreflightRefusedOne;
    case UiText::PreflightTaken:
        return UiText::PreflightTakenOne;
    case UiText::PreflightDuplicate:
        return UiText::PreflightDuplicateOne;
    case UiText::PreflightTooLong:
        return UiText::PreflightTooLongOne;
    case UiText::PreflightNoBaseName:
        return UiText::PreflightNoBaseNameOne;
    case UiText::PreflightHeld:
        return UiText::PreflightHeldOne;
    case UiText::PreflightNotOnDrive:
        return UiText::PreflightNotOnDriveOne;
    case UiText::UndoQuestion:
        return UiText::UndoQuestionOne;
    case UiText::RecoveryTemporary:
        return UiText::RecoveryTemporaryOne;
    case UiText::ReportSummary:
        return UiText::ReportSummaryOne;
    default:
        return entry;
    }
}

std::string fillText(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
    std::string text;
    text.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t index = i + 1 < pattern.size() ? static_cast<size_t>(pattern[i + 1] - '1') : 9;
        if (pattern[i] == '%' && index < arguments.size()) {
            text += *(arguments.begin() + index);
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

void StoredTexts::apply(Language language) {
    m_language = language;
    for (int i = 1; i <= UiTextCount; ++i)
        m_texts[static_cast<size_t>(i) - 1] = uiText(static_cast<UiText>(i), language);
}

} // namespace filvane
