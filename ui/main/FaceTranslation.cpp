#include "FaceTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
bool traditionalInstalled = false;
} // namespace

bool FaceTranslation::isTraditionalInstalled() {
    return traditionalInstalled;
}

bool FaceTranslation::wantsTraditional(const QLocale& locale) {
    for (const QString& name : locale.uiLanguages()) {
        const QLocale language(name);
        if (language.language() == QLocale::Chinese)
            return language.script() == QLocale::TraditionalHanScript;
    }
    return false;
}

bool FaceTranslation::install(QCoreApplication& application, const QLocale& locale) {
    if (!wantsTraditional(locale))
        return false;
    auto* program = new QTranslator(&application);
    if (!program->load(QStringLiteral(":/i18n/quillmar_zh_TW.qm"))) {
        delete program;
        return false;
    }
    QCoreApplication::installTranslator(program);
    traditionalInstalled = true;
    // Qt's own texts (standard buttons, the file dialog), when the Qt translations are installed.
    auto* qt = new QTranslator(&application);
    if (qt->load(QStringLiteral("qtbase_zh_TW"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return true;
}
