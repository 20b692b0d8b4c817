#pragma once

#include "runner/WizardRunner.h"

#include <QDialog>

class Application;
class FileListBox;
class PreviewBox;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStackedLayout;

// The quick-processing wizard "快速处理向导": one folder, its files with a preview, and the options of
// the six-stage pipeline (web pages to text, merge, re-flow, spaces, code page, width) in the order
// the stages run. Built once at start-up and hidden between uses; closing it hands the folder back
// to the main window, or ends the program when the program started in the wizard (StartMode 1).
//
// Controls are private members named like their objectName; tests find them by that name. The
// advanced options (FrameAdv) take the place of the four stage frames while they are shown.
class FastWork : public QDialog {
    Q_OBJECT
public:
    explicit FastWork(Application& app, QWidget* parent = nullptr);

    // The main window's hand-over: File1 lists `folder` and TextFolder shows it.
    void openFolder(const QString& folder);

    // CmdOk: the name check, then the pipeline in the progress window (owned by the wizard, which
    // stays disabled until the results are acknowledged); File1 shows Combo2's types again after.
    void run();
    // The options the controls hold now, before the run's checks.
    WizardOptions options() const;

    // CmbBrowse: the folder picker; a cancelled pick changes nothing.
    void browseFolder();
    // Enter in TextFolder: the typed folder opens in the file list, or a box says it does not exist.
    void openTypedFolder();
    void followTypedFolder(const QString& text);
    // A click on File1's entry `row`: preview, and the merged file's name suggested when CheckMerge
    // is checked.
    void previewFile(int row);
    // ComboPrefix chosen or typed into: TextNewName = the prefix followed by the base name.
    void applyPrefix(const QString& prefix);
    // Slider1 moved: LabelGrade and LabelDetails show the level's texts (positions 0 to 3).
    void showLevel(int position);
    // CmdAdv: shows or hides FrameAdv.
    void toggleAdvanced();
    bool advancedShown() const;

    // The merged file's name suggested by a text: at most ten leading tabs skipped, the next 20
    // characters, cut at the first line break, without "/" and control characters, surrounding
    // spaces removed.
    static QString suggestedName(const QString& text);
    // File1's mask for a Combo2 entry; "" for an index out of range.
    static QString typeMask(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Label6;
    QLineEdit* TextFolder;
    QPushButton* CmbBrowse;
    QGroupBox* Frame1;
    QGroupBox* Frame6;
    FileListBox* File1;
    QComboBox* Combo2;
    PreviewBox* RichPreview;
    QGroupBox* Frame3;
    QCheckBox* CheckHtml;
    QCheckBox* CheckTypeset; // after the web pages, before the merge: punctuation, quotes and layout
    QCheckBox* CheckClean;   // the clean stage, after the web pages and before the merge; off by default
    QGroupBox* Frame5;
    QCheckBox* CheckMerge;
    QLabel* Label3;
    QLineEdit* TextNewName;
    QLabel* Label4;
    QComboBox* ComboPrefix;
    QGroupBox* Frame4;
    QCheckBox* CheckPara;
    QCheckBox* CheckSpace;
    QGroupBox* Frame2;
    QLabel* LabelCode;
    QComboBox* ComboCode;
    QLabel* LabelChar;
    QComboBox* ComboChar;
    QGroupBox* FrameAdv;
    QCheckBox* CheckDelH;
    QCheckBox* CheckDelLink;
    QCheckBox* CheckDelM;
    QCheckBox* CheckEpub; // also an e-book of the merged file (Prefs.MergeEpub)
    QLabel* Label2;
    QComboBox* ComboIndex;
    QLabel* Labelauto;
    QSlider* Slider1;
    QLabel* LabelGrade;
    QLabel* LabelDetails;
    QPushButton* CmdAdv;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;
    QFrame* Line1;

    void buildControls();
    void setDesignedStates();
    void load();
    void fillPrefixes();
    void unload();
    void refusalFocus(const QString& message, const WizardOptions& refused);

    Application& m_app;
    QWidget* m_stageOptions = nullptr;
    QStackedLayout* m_optionPages = nullptr;
    // What a prefix is put in front of: TextNewName as it was when it last lost the focus or a file
    // was last clicked.
    QString m_baseName;
};
