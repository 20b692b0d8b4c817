#pragma once

#include "runner/BatchRunner.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

class Application;
class DriveList;
class FileListBox;
class FileListView;
class FolderList;
class PreviewBox;
class QAction;
class QFileSystemWatcher;
class QGroupBox;
class HelpFrm;
class InProgress;
class QLabel;
class QMenu;
class QRadioButton;
class QSplitter;
class QTimer;
class QToolBar;
class QUrl;

// The main window: drive and folder browsing, the file list filtered by type, the preview, the
// menus and the toolbar, and the commands that run a batch or open a task window.
//
// Controls are private members named like their objectName; tests find them by that name. Control
// arrays are members holding the elements; each element's objectName is the array's name followed by
// its index ("TypeOpt0", "menu_big2gb1", "menu_char0", "menu_recent3"). Sub-menus are QMenus whose objectName is the
// menu item's name (their menuAction() is the item). Toolbar buttons are QActions whose objectName is their key ("gb",
// "big", "autopara", "space", "rename", "merge", "fast", "html", "option", "about").
class MainFrm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrm(Application& app);

    // Enables the file commands by the selection and the type filter.
    void SetEnables();
    // Lists File1's names in FileList and sets CurrentFolder.
    void RebuildFileList();
    // "刷新 [&R]": drive, folder and file lists read again, the list rebuilt, the preview reloaded.
    void refresh();
    // Chooses the folder's drive and opens it (the list follows); false when it cannot be read.
    bool openFolder(const QString& folder);
    // Files and folders named on the command line or dropped on the window: their folder opened
    // (type filter chosen to list them) with the named files selected and the first one previewed;
    // see FolderSelection. False when none of them exists.
    bool openPaths(const QStringList& paths);
    // Selects exactly the entries named (others unselected), in the list as it is.
    void selectNames(const QStringList& names);
    // "选择全部文件 [&A]".
    void selectAll();
    // A click on the entry at `row`: preview and command state.
    void previewEntry(int row);
    // A click on the header of `column` (0 "文件名", 1 "文件类型", 2 "大小").
    void sortByColumn(int column);
    // A click on the type filter option `index`.
    void chooseType(int index);
    // Item `k` of "最近的文档目录 [&U]".
    void openRecent(int k);
    // One of the five file commands over the selected entries, in the progress window.
    void runBatch(BatchCommand command, int direction = 0);

    // The file-list entries as a batch takes them (placeholder left out), in list order.
    QList<FileEntry> fileEntries() const;
    // Names of the selected entries in list order; one empty name when nothing is selected.
    QStringList selectedNames() const;
    QAction* toolbarButton(const QString& key) const { return m_buttons.value(key); }

    // The task-window commands.
    void openMerge();
    void openRename();
    void openReplace();
    void openWizard();
    void openOptions();
    void openBackups();
    // The e-book dialog for the selected files; the book check of each selected file.
    void openEpub();
    void checkBooks();
    // The previewed file read again after a batch changed it; a file gone since leaves the preview empty.
    void reloadPreviewQuietly();
    // "预览更改[&V]": the previewed file before and after a command.
    void openPreview();
    void openAbout();
    void openWebsite();
    void openMail();
    // "羽墨工坊帮助 [&C]" (F1): the help pages in the browser, or a box that says why not.
    void openHelp();

    // The position of the splitter between the browsing controls and the preview, as saved with the
    // settings; an empty or unreadable state gives the designed position (with room for the list).
    QByteArray splitterState() const;
    void setSplitterState(const QByteArray& state);
    // What opens web and mail addresses: the desktop's services, or a test's stand-in that fails.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

signals:
    // The window is being unloaded (closed): the program's shutdown runs now.
    void unloading();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QToolBar* Toolbar1;
    QGroupBox* Frame1;
    DriveList* Drive1;
    FolderList* Dir1;
    FileListView* FileList;
    FileListBox* File1;
    QGroupBox* Frame2;
    std::array<QRadioButton*, 3> TypeOpt{};
    QLabel* ImageLink;
    QLabel* LabelLink;
    PreviewBox* Rich1;
    QSplitter* Splitter1;

    QMenu* menu_file;
    QAction* menu_selectall;
    QAction* menu_showdatail;
    QAction* menu_showlist;
    QAction* menu_hyphen02;
    QAction* menu_refresh;
    QAction* menu_option;
    QAction* menu_hyphen03;
    QMenu* menu_folder;
    QList<QAction*> menu_recent;
    QAction* menu_hyphen01;
    QAction* menu_quit;
    QMenu* menu_convert;
    QMenu* menu_code;
    std::array<QAction*, 2> menu_big2gb{};
    std::array<QAction*, 2> menu_char{};
    QAction* menu_typeset;
    QAction* menu_clean; // site boilerplate and ads out of the selected text files
    QAction* menu_hyphen04;
    QAction* menu_html;
    QAction* menu_preview;
    QMenu* menu_tools;
    QAction* menu_autopara;
    QAction* menu_delspace;
    QAction* menu_replace;
    QAction* menu_hyphen05;
    QAction* menu_merge;
    QAction* menu_rename;
    QAction* menu_fastwork;
    QAction* menu_backup;
    QAction* menu_epub;
    QAction* menu_checkbook;
    QAction* menu_undobatch; // "撤销上一批[&Z]"
    QMenu* menu_help;
    QAction* menu_helpcontent;
    QAction* menu_hyphen07;
    QAction* menu_writer;
    QAction* menu_website;
    QAction* menu_hyphen08;
    QAction* menu_about;

    void load();
    void openForSelection(const std::function<QWidget*(Application&)>& factory);
    void buildMenus();
    void buildToolbar();
    void buildControls();
    void buildRecentMenu();
    void layoutControls();
    void layoutTop();
    // Opens `url` in the desktop's browser or mail program; says so in a box when none is set up.
    void openExternal(const QUrl& url, const QString& what);
    bool loadPreview(const QString& path);
    void prefillSearchText(QWidget* dialog);
    QWidget* openTaskWindow(QWidget* window);
    QAction* addSeparator(QMenu* menu, const QString& name);

    Application& m_app;
    QWidget* m_central = nullptr;
    QWidget* m_top = nullptr; // the splitter's upper pane: Frame1 and Frame2
    QByteArray m_splitterState;
    std::function<bool(const QUrl&)> m_openUrl;
    QPointer<HelpFrm> m_help;
    bool m_splitterPlaced = false;
    QHash<QString, QAction*> m_buttons;
    bool m_sorted = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    // The open folder is watched: files that other programs add, remove or rename show within a
    // moment. Changes wait while the window is disabled (a batch or a dialog runs).
    void watchFolder(const QString& folder);
    void followDiskChanges();
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_diskTimer = nullptr;
    bool m_diskChangePending = false;

    // Closing during a batch: the batch is asked to stop, and the window closes once it has ended.
    void closeWhenBatchEnds(InProgress* progress);
    bool m_closeWhenBatchEnds = false;
};
