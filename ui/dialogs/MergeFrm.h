#pragma once

#include "ui/dialogs/MainHandBack.h"

#include <QDialog>
#include <QPoint>

class Application;
class DriveList;
class FileListBox;
class FolderList;
class PreviewBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;

// The merge dialog ("合并文件"): the user browses folders (Drive1, Dir1, File1), builds an ordered
// list of text files in List1 (add, add all, remove, up, down, or dragging between the two lists:
// right button out of File1, left button out of List1), chooses the target folder, an optional
// prefix and a name, and joins the files with MergeFiles in the progress window, owned by this
// dialog. It stays open after a merge, ready for the next one.
//
// Built for one opening from the main window (DialogFolder filled, the main window disabled);
// closing it enables the main window again and makes it re-read DialogFolder.
class MergeFrm : public QDialog {
    Q_OBJECT
public:
    explicit MergeFrm(Application& app, QWidget* parent = nullptr);

    // The folder shown in Dir1, with its trailing "/": files added from File1 lie in it.
    QString mergeFolder() const { return m_mergeFolder; }
    // The name a chosen prefix is put in front of.
    static QString baseName();

    // The commands of the buttons.
    void add();       // CmdAdd
    void addAll();    // CmdAddall
    void remove();    // CmdRemove
    void removeAll(); // CmdRemoveAll
    void moveUp();    // CmdUp
    void moveDown();  // CmdDown
    void merge();     // CmdOK

    // Files and folders dropped from a file manager onto List1: appended after the entries there
    // (each path once), a folder's text files (File1's pattern) in its place; all of them in chapter
    // reading order of their names when ChkSorted is checked, else in the order dropped.
    void appendDropped(const QStringList& paths);

    // What a drag out of File1 or List1 carries (the name of the list it comes from).
    static QString dragFormat();
    static QMimeData* dragData(const QString& sourceList);

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void folderOpened(const QString& path);
    void appendPath(const QString& path);
    void swapEntries(int a, int b);
    void select(int row);
    void previewFile(const QString& path, bool fromFileList);
    void fillPrefixes();
    void prefixChosen();
    void nameLeft();
    bool listEvent(QListWidget* list, QEvent* event);
    void startDrag(QListWidget* from);

    QLabel* Label1;
    DriveList* Drive1;
    FolderList* Dir1;
    FileListBox* File1;
    QPushButton* CmdAdd;
    QPushButton* CmdAddall;
    QCheckBox* ChkSorted;
    QCheckBox* ChkEpub; // also an e-book of the merged text beside it (Prefs.MergeEpub)
    QLabel* Label2;
    QListWidget* List1;
    QPushButton* CmdRemove;
    QPushButton* CmdRemoveAll;
    QPushButton* CmdUp;
    QPushButton* CmdDown;
    PreviewBox* TextPreview;
    QLabel* Label5;
    QLineEdit* TextDir;
    QLabel* Label4;
    QComboBox* ComboPrefix;
    QLabel* Label3;
    QLineEdit* TextFilename;
    QPushButton* CmdOK;
    QPushButton* CmnCancel;

    Application& m_app;
    QString m_mergeFolder;
    QString m_prefix; // the prefix the name box shows in front of the name
    QPoint m_pressPos;
    MainHandBack m_handBack;
};
