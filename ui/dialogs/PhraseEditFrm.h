#pragma once

#include <QDialog>

class MessageProvider;
class QLabel;
class QPlainTextEdit;
class QPushButton;
struct FileError;

// A plain-text editor for one phrase file of the Simplified/Traditional conversion ("原文 译文" per
// line, "#" comments). OK writes the file at once, in UTF-8, replacing it atomically, and closes; a
// failed write says why and keeps the editor open. Cancel closes without writing. A file that does
// not exist yet starts with a short explanation in comment lines.
class PhraseEditFrm : public QDialog {
    Q_OBJECT
public:
    PhraseEditFrm(MessageProvider& messages, const QString& path, const QString& title, QWidget* parent = nullptr);

    bool save(FileError* error);

    QLabel* LabelHint;
    QPlainTextEdit* TextPhrases;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;

private:
    MessageProvider& m_messages;
    QString m_path;
};
