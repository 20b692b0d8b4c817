#pragma once

#include "runner/BatchRunner.h"

#include <QDialog>

class Application;
class QComboBox;
class QLabel;
class QPushButton;
class QTextEdit;

// "预览更改": the clicked file's text before and after a chosen command, side by side, with the
// changed characters marked (on the first part of a big file). "应用到所选文件" runs the command
// over the main window's selected files in the progress window.
class PreviewChangeFrm : public QDialog {
    Q_OBJECT
public:
    PreviewChangeFrm(Application& app, const QString& path, QWidget* parent = nullptr);

    // Computes and shows the preview for the command chosen in ComboCommand.
    void showPreview();
    void apply();

protected:
    void done(int result) override;

private:
    struct Choice {
        QString caption;
        BatchCommand command;
        int direction;
    };
    static QList<Choice> choices();

    QComboBox* ComboCommand;
    QLabel* LabelFile;
    QTextEdit* TextBefore;
    QTextEdit* TextAfter;
    QLabel* LabelSummary;
    QPushButton* CmdApply;
    QPushButton* CmdClose;

    Application& m_app;
    QString m_path;
};
