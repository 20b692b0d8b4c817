#pragma once

#include <QLocale>

class QCoreApplication;

// The language of the windows. Their texts are written in Simplified Chinese; a locale that reads
// Traditional Chinese (Taiwan, Hong Kong, Macau: zh_TW, zh_HK, zh_MO, or any zh_Hant) gets the
// Taiwan-standard translation built into the program, together with Qt's own Traditional texts for
// its standard dialogs. The words of the rows the batches report ("完成", "未完成", ...) are translated
// too; the names of files in them never are. The command line installs no translation.
class FaceTranslation {
public:
    // True when the first Chinese language among the locale's interface languages is written in
    // Traditional characters.
    static bool wantsTraditional(const QLocale& locale);

    // Installs the translation into the application when the locale wants it (the translators are
    // children of the application). False when it does not, or the translation could not be loaded.
    static bool install(QCoreApplication& application, const QLocale& locale = QLocale::system());
    // True once install() has installed the Traditional face (the manual follows it).
    static bool isTraditionalInstalled();
};
