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
