#pragma once

#include <QDialog>
#include <QMap>
#include <array>

class Application;
class PhraseEditFrm;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabBar;
class QWidget;

// The options dialog ("选项"): five pages under TabStrip1 (Tabholder1..5) showing the settings
// and the backup folder. OK stores them in memory (only SaveStatus when "退出时保存各项设置" is
// unchecked) and writes the phrase files edited meanwhile; the settings reach their files soon
// after (Application::saveSettingsIfChanged). Clearing the backups and restoring the
// defaults take effect at once, before OK or Cancel.
//
// The window has no close box; it ends through CmdOk or CmdCancel (Escape), and closing it enables
// the main window again.
class FrmOption : public QDialog {
    Q_OBJECT
public:
    explicit FrmOption(Application& app, QWidget* parent = nullptr);

    // The text LblTime shows for a position of SliderTime (1 to 7); "" for any other.
    static QString backupTimeText(int position);
    // The backups' size as LabelUsedSpace shows it: whole KB with thousands separators, " KB".
    static QString usedSpaceText(qint64 bytes);

    static constexpr int PageCount = 5;
    // Index (1 to PageCount) of the page shown.
    int optionsTab() const { return m_optionsTab; }
    // Shows page `tab` (1 to PageCount) as a click on its tab does.
    void showTab(int tab);
    // Opens the editor of the cleanup rules (CmdCleanupRules).
    void editCleanupRules();

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildGeneralPage();
    QWidget* buildBackupPage();
    QWidget* buildParagraphPage();
    QWidget* buildOthersPage();
    QWidget* buildTypesetPage();
    void load();
    void showSettings();
    void showLevel(int level);
    void measureBackups();
    void switchTab(int index);
    void validateCount(QComboBox* box);
    void pickFolder();
    void clearBackups();
    void restoreDefaults();
    void editPhrases(bool toTraditional);
    PhraseEditFrm* openEditor(const QString& path, const QString& title);
    bool writePhrases();
    void store();

    QTabBar* TabStrip1;
    std::array<QWidget*, PageCount + 1> Tabholder{}; // pages 1 to PageCount; index 0 unused

    QGroupBox* Frame2;
    std::array<QRadioButton*, 2> OptStart{};
    QGroupBox* Frame1;
    QCheckBox* ChkSaveStatus;
    QPushButton* CmdDefault;

    QGroupBox* Frame3;
    QCheckBox* ChkBackup;
    QFrame* FrameBackup;
    QLabel* Labelbackup6;
    QLineEdit* TextBackupfolder;
    QPushButton* CmdSelectFolder;
    QLabel* Labelbackup1;
    QLabel* Labelbackup3;
    QSlider* SliderTime;
    QLabel* Labelbackup4;
    QLabel* LblTime;
    QLabel* Labelbackup2;
    QLabel* LabelUsedSpace;
    QPushButton* CmdClearBackup;

    QGroupBox* Frame4;
    QLabel* Labelauto;
    QSlider* Slider1;
    QLabel* LabelGrade;
    QLabel* LabelDetails;

    QLabel* Label1;
    QComboBox* ComboRecent;
    QLabel* Labelothers1;
    QComboBox* ComboPrefix;
    QCheckBox* CheckDelLinks;
    QLabel* LabelLegacy;
    QComboBox* ComboLegacy; // 0 GB18030, 1 Big5: files whose bytes read equally well as both
    QCheckBox* CheckClassicHtml;
    QLabel* LabelUnmappable;
    QComboBox* ComboUnmappable; // what to do with characters a file's encoding cannot hold
    QLabel* LabelPhrases;
    QPushButton* CmdPhrasesS2T; // opens PhraseEditFrm on the app folder's "Phrases-s2t.txt"
    QPushButton* CmdPhrasesT2S; // and on "Phrases-t2s.txt"
    QLabel* LabelCleanupRules;
    QPushButton* CmdCleanupRules; // opens the editor on the app folder's "Cleanup-rules.txt"

    // The typeset page: the settings of "标点与排版整理" and of the width conversion.
    QCheckBox* CheckTypesetPunctuation;
    QComboBox* ComboQuotes;     // by the text, mainland, Taiwan, keep
    QComboBox* ComboIndent;     // two full-width spaces, none, keep
    QComboBox* ComboBlankLines; // keep, none, exactly one
    QCheckBox* CheckLatinSpace;
    QCheckBox* CheckNarrowKeeps; // full-width to half-width keeps Chinese punctuation and the indent

    QPushButton* CmdOk;
    QPushButton* CmdCancel;
    QPushButton* CmdHelp;

    Application& m_app;
    int m_optionsTab = 1;
    bool m_unloaded = false;
    QMap<QString, QString> m_pendingPhrases; // phrase file path -> text accepted in its editor
};
