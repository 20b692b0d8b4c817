#pragma once

#include "runner/BookPasses.h"
#include "runner/EpubRunner.h"
#include "ui/dialogs/MainHandBack.h"

#include <QDialog>
#include <QHash>
#include <QList>

class Application;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

// The e-book dialog ("制作电子书"): for the files selected in the main window (SelectedFiles in
// DialogFolder) it shows the chapters found before anything is built — volumes with their chapters
// under them, a heading whose number breaks the sequence highlighted — and lets the user untick a
// heading that is none or mark a line (by its number) as a chapter heading; several files are one
// chapter each, in the order given, and their tree only shows them. Title, author, language, cover,
// vertical writing (zh-TW only) and the output path start from what the book says. "制作" builds the
// book with EpubRunner in the progress window, owned by this dialog, as every batch.
//
// Built for one opening from the main window (the main window disabled); closing it enables the main
// window again and makes it re-read its folder.
class EpubFrm : public QDialog {
    Q_OBJECT
public:
    explicit EpubFrm(Application& app, QWidget* parent = nullptr);

    // What "制作" runs with: the inputs, the boxes, and the user's heading edits.
    EpubOptions options() const;
    // Adds the line numbered SpinLine as a chapter heading (CmdMarkLine).
    void markLine();
    // Builds the book (CmdOK).
    void build();

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void scanInputs();
    void fillTree();
    QTreeWidgetItem* headingItem(const Heading& heading, bool added, bool ticked) const;
    void languageChosen();
    void chooseCover();
    void chooseOutput();

    // Column 1 of TreeChapters holds the line number, column 0 the heading.
    QTreeWidget* TreeChapters;
    QLabel* LabelChapters;
    QSpinBox* SpinLine;
    QPushButton* CmdMarkLine;
    QLineEdit* TextTitle;
    QLineEdit* TextAuthor;
    QComboBox* ComboLanguage;
    QLineEdit* TextCover;
    QPushButton* CmdCover;
    QCheckBox* ChkVertical;
    QLineEdit* TextOutput;
    QPushButton* CmdOutput;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;

    Application& m_app;
    QStringList m_inputs;
    QList<BookPasses::Scan> m_scans; // one per input
    QHash<qint64, QString> m_added;  // lines marked as headings → their words
    MainHandBack m_handBack;
};
