// The Traditional Chinese face: which locales get it, and that it reaches the windows.

#include "ui/main/FaceTranslation.h"
#include "fakes-ui/TestApplication.h"
#include "ui/main/MainFrm.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

class FaceTranslationTest : public QObject {
    Q_OBJECT

private slots:
    void traditionalLocalesAreRecognized_data();
    void traditionalLocalesAreRecognized();
    void simplifiedLocaleInstallsNothing();
    void taiwanLocaleShowsTheMainWindowInTraditional();
};

void FaceTranslationTest::traditionalLocalesAreRecognized_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("traditional");
    QTest::newRow("Taiwan") << "zh_TW" << true;
    QTest::newRow("Hong Kong") << "zh_HK" << true;
    QTest::newRow("Macau") << "zh_MO" << true;
    QTest::newRow("mainland China") << "zh_CN" << false;
    QTest::newRow("Singapore writes Simplified") << "zh_SG" << false;
    QTest::newRow("not Chinese: the Simplified source") << "en_US" << false;
}

void FaceTranslationTest::traditionalLocalesAreRecognized() {
    QFETCH(QString, locale);
    QFETCH(bool, traditional);
    QCOMPARE(FaceTranslation::wantsTraditional(QLocale(locale)), traditional);
}

void FaceTranslationTest::simplifiedLocaleInstallsNothing() {
    QVERIFY(!FaceTranslation::install(*qApp, QLocale(QStringLiteral("zh_CN"))));
    QCOMPARE(QCoreApplication::translate("MainFrm", "文件 [&F]"), QStringLiteral("文件 [&F]"));
}

void FaceTranslationTest::taiwanLocaleShowsTheMainWindowInTraditional() {
    QVERIFY(FaceTranslation::install(*qApp, QLocale(QStringLiteral("zh_TW"))));
    TestApplication t;
    QVERIFY(t.start());
    // Term corrections on top of the character conversion: 文件 → 檔案, 帮助 → 說明, 向导 → 精靈.
    QCOMPARE(t.main()->menu_file->title(), QStringLiteral("檔案 [&F]"));
    QCOMPARE(t.main()->menu_help->title(), QStringLiteral("說明 [&H]"));
    QCOMPARE(t.main()->menu_fastwork->text(), QStringLiteral("快速處理精靈... [&W]"));
    t.quit();
}

QTEST_MAIN(FaceTranslationTest)
#include "FaceTranslationTest.moc"
