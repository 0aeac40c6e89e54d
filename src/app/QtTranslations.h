#pragma once

// Qt's own texts (standard dialog buttons, the context menu of a text field) in the program's
// language. They come from Qt's translation files (qtbase_*.qm, in QLibraryInfo's translations
// folder); English needs none.

#include "core/texts/TextTable.h"

#include <QString>

#include <memory>

class QTranslator;

class QtTranslations {
public:
    QtTranslations();
    ~QtTranslations();
    QtTranslations(const QtTranslations &) = delete;
    QtTranslations &operator=(const QtTranslations &) = delete;

    // Installs the language's file on the application, or removes it for English; open windows
    // retranslate their standard texts. Returns false when the file cannot be loaded (Qt's
    // translations are not installed): Qt's texts then stay English and the program works on.
    bool apply(filvane::Language language);

    // Where the files are looked for; tests and other layouts may point elsewhere.
    void setDirectory(const QString &directory) { m_directory = directory; }

private:
    QString m_directory;
    std::unique_ptr<QTranslator> m_installed;
};
