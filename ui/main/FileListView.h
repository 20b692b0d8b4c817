#pragma once

#include <QStackedWidget>

class QListView;
class QMenu;
class QStandardItemModel;
class QTimer;
class QTreeView;

// The main window's file list (FileList): entries with a name, a type text, a size text and a small
// icon, shown either as a report with the columns "文件名", "文件类型", "大小" or as a list of icons
// and names (the views' objectNames are "FileListReport" and "FileListIcons"). Both views show one
// model and one selection. Rows are counted in list order (as shown, after sorting). The placeholder
// entry has the key "none" and is never a file.
//
// Two more columns, "编码" and "换行", show how the commands would read each file (FileFormatText).
// They are hidden until the user picks them in the header's context menu (columnMenu()); while one
// is shown, the files are read one at a time between other events, so a large folder opens at once.
class FileListView : public QStackedWidget {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, TypeColumn = 1, SizeColumn = 2, EncodingColumn = 3, LineEndColumn = 4 };

    explicit FileListView(QWidget* parent = nullptr);

    // Empties the list; the entries added next are files of `folder` (ending in "/").
    void clear(const QString& folder = QString());
    // Appends an entry, not selected; `iconNumber` 1 text document, 2 web page, 3 other file. The size
    // shows in KB, MB or GB and sorts by its bytes.
    void addEntry(const QString& name, int iconNumber, const QString& type, qint64 bytes);
    // Appends the placeholder entry: key "none", `text` in green.
    void addPlaceholder(const QString& text);

    int count() const;
    QString text(int row) const;
    // The text of `column` (NameColumn is the entry's text).
    QString subItem(int row, int column) const;
    QString key(int row) const;
    int iconNumber(int row) const;
    QColor textColour(int row) const;
    bool isPlaceholder(int row) const;

    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    // Selected rows in list order.
    QList<int> selectedRows() const;
    // Makes `row` the current entry (without changing the selection) and scrolls it into view.
    void showRow(int row);

    // Sorts by the column: names in chapter reading order, sizes by their bytes, types by their text
    // (letter case ignored first); the order stays until the next sort.
    void sort(int column, Qt::SortOrder order);

    bool isColumnShown(int column) const;
    void setColumnShown(int column, bool shown);
    // The header's context menu: a checkable entry per optional column (objectNames
    // "ShowEncodingColumn", "ShowLineEndColumn").
    QMenu* columnMenu();
    // Reads the formats of every entry still waiting for them now (tests; the timer does it otherwise).
    void readAllFormats();

    bool isReportView() const;
    void setReportView(bool report);
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    // Widens the size column, if need be, so that its header and every size text show whole.
    void fitSizeColumn();
    // The height the report view needs to show `rows` entries under its header.
    int reportHeightForRows(int rows) const;

    // How far the report view is scrolled down, to be put back after the list is rebuilt.
    int scrollPosition() const;
    void setScrollPosition(int position);

signals:
    // An entry was clicked with the mouse (in either view).
    void entryClicked(int row);
    // A column header was clicked (report view).
    void columnClicked(int column);
    void selectionChanged();

private:
    bool formatColumnShown() const;
    // Fills the format columns of the next entry still waiting; false when none waits.
    bool readNextFormat();

    QStandardItemModel* m_model;
    QString m_folder;
    int m_formatRow = 0;
    QTimer* m_formatTimer;
    QMenu* m_columnMenu = nullptr;
    QTreeView* m_report;
    QListView* m_list;
};
