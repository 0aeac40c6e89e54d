#include "core/texts/TextTable.h"

#include <gtest/gtest.h>

using namespace filvane;

TEST(TextTable, EveryEntrySaysSomethingInBothLanguagesWithTheSamePlaceholders) {
    StoredTexts english;
    StoredTexts hungarian;
    hungarian.apply(Language::Hungarian);
    for (int at = 1; at <= UiTextCount; ++at) {
        SCOPED_TRACE(at);
        const auto entry = static_cast<UiText>(at);
        const std::string_view en = uiText(entry, Language::English);
        const std::string_view hu = uiText(entry, Language::Hungarian);
        EXPECT_FALSE(en.empty());
        EXPECT_FALSE(hu.empty());
        // A number the window fills in must have its place in either language.
        for (const std::string_view placeholder : {"%1", "%2", "%3"})
            EXPECT_EQ(en.find(placeholder) == en.npos, hu.find(placeholder) == hu.npos)
                << placeholder << " in \"" << en << "\" / \"" << hu << "\"";
        // Later texts were written for both languages at once: none is left untranslated.
        if (at > static_cast<int>(UiText::OptionsDialogCaption)) {
            EXPECT_NE(en, hu);
        }
        // The stored texts are the table's, entry for entry, after a switch too.
        EXPECT_EQ(english[entry], en);
        EXPECT_EQ(hungarian[entry], hu);
    }
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
        const size_t placeholder = text.find("%1");
        ASSERT_NE(placeholder, text.npos) << text;
        text.replace(placeholder, 2, std::to_string(c.count));
        EXPECT_EQ(text.rfind(c.says, 0), 0u) << text;
    }
    // Every counted entry has a singular form that differs in English.
    for (const UiText entry :
         {UiText::PreflightFiles, UiText::PreflightUnnamed, UiText::PreflightTaken,
          UiText::PreflightDuplicate, UiText::PreflightTooLong, UiText::PreflightNoBaseName,
          UiText::UndoQuestion, UiText::RecoveryTemporary, UiText::ReportSummary})
        EXPECT_NE(countedEntry(entry, 1, Language::English), entry);
}
