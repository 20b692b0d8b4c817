#pragma once

#include <QDialog>

class Application;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// Find and replace ("查找并替换") over the files handed over in SelectedFiles, in DialogFolder.
// "开始[&O]" hides the dialog, runs ReplaceRunner in the progress window (shown without an owner;
// the main window, disabled since the dialog opened, is the batch's ProgressOwner), closes the
// dialog and reloads the main window's preview. The main window comes back with the progress
// window's acknowledge step; "取消" enables it at once.
//
// The window has no close box: it ends through CmdCancel (or Escape) or the end of a run.
class Replace : public QDialog {
    Q_OBJECT
public:
    explicit Replace(Application& app, QWidget* parent = nullptr);

    // The preset find texts of ComboSource, in list order.
    static QStringList presetFindTexts();

public slots:
    void reject() override;

private:
    void buildControls();
    void run();

    QLabel* Label1;
    QComboBox* ComboSource;
    QLabel* Label2;
    QComboBox* ComboTo;
    QCheckBox* CheckCaps;
    QCheckBox* CheckWord;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;

    Application& m_app;
};
