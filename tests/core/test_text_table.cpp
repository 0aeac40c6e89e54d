#include "core/TextTable.h"

#include <gtest/gtest.h>

using namespace filvane;

TEST(TextTable, EveryEntryInBothLanguages) {
    const std::pair<UiText, std::pair<const char *, const char *>> expected[] = {
        {UiText::ReadCaption, {"Read", "Beolvas"}},
        {UiText::ClearCaption, {"Clear", "Töröl"}},
        {UiText::RenameCaption, {"Rename", "Átnevez"}},
        {UiText::OptionsCaption, {"Options", "Beállítás"}},
        {UiText::ReadHint, {"Read file names", "File nevek beolvasása"}},
        {UiText::ClearHint, {"Clear list", "Lista törlése"}},
        {UiText::RenameHint, {"Rename files", "Fájl-ok átnevezése"}},
        {UiText::OptionsHint, {"Renaming options", "Átnevezési beállítások"}},
        {UiText::AboutHint, {"Show AboutBox", "Névjegy megmutatása"}},
        {UiText::LanguageHint, {"Change language", "Nyelv megváltoztatása"}},
        {UiText::CloseHint, {"Exit Filvane", "Kilépés a Filvane-ből"}},
        {UiText::CountPanel, {"Items: ", "Darab: "}},
        {UiText::RenameQuestion,
         {"Are you sure to rename the files?",
          "Biztos, hogy át akarod nevezni a beolvasott file-okat?"}},
        {UiText::ItemsLabel, {"Items:", "Darab:"}},
        {UiText::ColumnCaption, {"File Name", "File Név"}},
        {UiText::ReadDialogCaption, {"Choose directory", "File-ok beolvasása"}},
        {UiText::ReadDialogCancel, {"Cancel", "Mégse"}},
        {UiText::NumberingGroup, {"File numbering", "File számozás"}},
        {UiText::FilesGroup, {"Files", "Fil-ok"}},
        {UiText::NumberingCheck, {"Numbering", "Számozás"}},
        {UiText::NumbersOnlyCheck, {"Numbers only", "Csak számozás"}},
        {UiText::KeepExtensionCheck, {"Keep extension", "Kiterjesztés megőrzése"}},
        {UiText::KeepFileNamesCheck, {"Keep filenames", "File nevek megőrzése"}},
        {UiText::OptionsCancel, {"Cancel", "Mégse"}},
        {UiText::OptionsDialogCaption, {"Options", "Beállítások"}},
    };
    ASSERT_EQ(std::size(expected), 25u);
    for (const auto &[entry, texts] : expected) {
        EXPECT_EQ(uiText(entry, Language::English), texts.first);
        EXPECT_EQ(uiText(entry, Language::Hungarian), texts.second);
    }
    StoredTexts stored;
    EXPECT_EQ(stored[UiText::FilesGroup], "Files");
    stored.apply(Language::Hungarian);
    EXPECT_EQ(stored[UiText::FilesGroup], "Fil-ok");
    EXPECT_EQ(stored[UiText::CountPanel], "Darab: ");
}

TEST(TextTable, OneThingIsSaidInTheSingularInBothLanguages) {
    struct Case {
        Language language;
        int count;
        std::string_view says;
    };
    for (const Case &c : {Case{Language::English, 1, "1 name is not allowed: this file keeps"},
                          Case{Language::English, 2, "2 names are not allowed: these files"},
                          Case{Language::English, 0, "0 names are not allowed"},
                          Case{Language::Hungarian, 1, "1 név nem megengedett: ez a fájl"},
                          Case{Language::Hungarian, 3, "3 név nem megengedett: ezek a fájlok"}}) {
        StoredTexts texts;
        texts.apply(c.language);
        std::string text = texts.counted(UiText::PreflightRefused, c.count);
        text.replace(text.find("%1"), 2, std::to_string(c.count));
        EXPECT_EQ(text.rfind(c.says, 0), 0u) << text;
    }
    // Every counted entry has a singular form that differs in English.
    for (const UiText entry :
         {UiText::PreflightFiles, UiText::PreflightUnnamed, UiText::PreflightTaken,
          UiText::PreflightDuplicate, UiText::PreflightTooLong, UiText::PreflightNoBaseName,
          UiText::UndoQuestion, UiText::RecoveryTemporary, UiText::ReportSummary})
        EXPECT_NE(countedEntry(entry, 1, Language::English), entry);
}
