#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
struct FileError;

// A plain-text editor for one phrase file of the Simplified/Traditional conversion ("原文 译文" per
// line, "#" comments). It writes nothing itself: OK keeps the edited text (text()) for the options
// dialog, which writes it when the options are accepted (write()). LabelMissing names the lines that
// give a phrase but no conversion, as the user types. A file that does not exist yet starts with a
// short explanation in comment lines.
class PhraseEditFrm : public QDialog {
    Q_OBJECT
public:
    // `text` is the text to edit (see initialText()).
    PhraseEditFrm(const QString& text, const QString& title, QWidget* parent = nullptr);

    QString text() const;
    // Edits a file of another kind (the cleanup rules): `hint` explains its lines, and no line is
    // looked at for a missing conversion.
    void editOtherKind(const QString& hint);

    // The text the editor starts with for the file at `path`: the file's lines with "\n" line ends,
    // the explanation when it does not exist yet; false (error set) when it cannot be read.
    static bool initialText(const QString& path, QString& text, FileError* error);
    // Replaces `path` with `text` in UTF-8, ending in a line end.
    static bool write(const QString& path, QString text, FileError* error);
    // What LabelMissing says for `text`: empty when every phrase has its conversion.
    static QString missingText(QStringView text);

private:
    void showMissing();

    QLabel* LabelHint;
    QPlainTextEdit* TextPhrases;
    QLabel* LabelMissing;
    QPushButton* CmdOk;
    QPushButton* CmdCancel;
    bool m_phrases = true;
};
