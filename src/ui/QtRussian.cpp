#include "QtRussian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool LoadQtRussian()
{
    static bool loaded = false;
    if (loaded)
        return true;
    // Owned by the application, so it lives as long as the texts are used.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    loaded = QCoreApplication::installTranslator(translator);
    return loaded;
}
