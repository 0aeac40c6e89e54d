#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QtTranslations::QtTranslations()
    : m_directory(QLibraryInfo::path(QLibraryInfo::TranslationsPath)) {}

QtTranslations::~QtTranslations() {
    if (m_installed)
        QCoreApplication::removeTranslator(m_installed.get());
}

bool QtTranslations::apply(filvane::Language language) {
    if (m_installed) {
        QCoreApplication::removeTranslator(m_installed.get());
        m_installed.reset();
    }
    if (language == filvane::Language::English)
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_hu"), m_directory))
        return false;
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    m_installed = std::move(translator);
    return true;
}
