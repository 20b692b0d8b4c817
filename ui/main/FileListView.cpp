#include "FileListView.h"

#include "FileFormatText.h"

#include "core/ChapterOrder.h"
#include "platform/FolderListing.h"
#include "ui/common/FileSizeText.h"
#include "ui/common/Icons.h"

#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

namespace {

constexpr int KeyRole = Qt::UserRole + 1;
constexpr int IconNumberRole = Qt::UserRole + 2;
constexpr int BytesRole = Qt::UserRole + 3;
constexpr int FormatReadRole = Qt::UserRole + 4; // on the name item: the format columns are filled

// Compares the cell texts the way the file list orders names: letter case ignored, then exact.
class TextItem : public QStandardItem {
public:
    using QStandardItem::QStandardItem;
    bool operator<(const QStandardItem& other) const override {
        return FolderListing::nameLessThan(text(), other.text());
    }
};

// File names sort in reading order: 第2章 before 第10章, 序章 first, 后记 last. The name is read
// once, when the entry is made.
class NameItem : public QStandardItem {
public:
    NameItem(const QIcon& icon, const QString& name) : QStandardItem(icon, name), m_key(name) {}
    bool operator<(const QStandardItem& other) const override {
        if (const auto* name = dynamic_cast<const NameItem*>(&other))
            return m_key < name->m_key;
        return ChapterOrder::lessThan(text(), other.text());
    }

private:
    ChapterOrder::SortKey m_key;
};

// Sizes sort by the bytes they stand for: "900 KB" before "1.5 MB".
class SizeItem : public QStandardItem {
public:
    SizeItem(const QString& text, qint64 bytes) : QStandardItem(text) { setData(bytes, BytesRole); }
    bool operator<(const QStandardItem& other) const override {
        return data(BytesRole).toLongLong() < other.data(BytesRole).toLongLong();
    }
};

const QColor PlaceholderGreen(0, 128, 0);

} // namespace

FileListView::FileListView(QWidget* parent) : QStackedWidget(parent) {
    m_model = new QStandardItemModel(0, 5, this);
    m_model->setHorizontalHeaderLabels({tr("文件名"), tr("文件类型"), tr("大小"), tr("编码"), tr("换行")});
    m_model->horizontalHeaderItem(SizeColumn)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_report = new QTreeView(this);
    m_report->setObjectName(QStringLiteral("FileListReport"));
    m_report->setModel(m_model);
    m_report->setRootIsDecorated(false);
    m_report->setItemsExpandable(false);
    m_report->setUniformRowHeights(true);
    m_report->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_report->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_report->setFrameShape(QFrame::NoFrame);
    m_report->setIconSize(QSize(16, 16));
    m_report->header()->setStretchLastSection(false);
    m_report->header()->setSectionsClickable(true);
    m_report->header()->setSectionsMovable(false);
    m_report->header()->setSortIndicatorShown(false);
    m_report->setColumnHidden(EncodingColumn, true);
    m_report->setColumnHidden(LineEndColumn, true);
    m_report->header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_report->header(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { columnMenu()->popup(m_report->header()->mapToGlobal(at)); });

    m_formatTimer = new QTimer(this);
    m_formatTimer->setInterval(0);
    connect(m_formatTimer, &QTimer::timeout, this, [this] {
        if (!readNextFormat())
            m_formatTimer->stop();
    });

    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("FileListIcons"));
    m_list->setModel(m_model);
    QItemSelectionModel* own = m_list->selectionModel();
    m_list->setSelectionModel(m_report->selectionModel());
    delete own;
    m_list->setViewMode(QListView::ListMode);
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setIconSize(QSize(16, 16));

    addWidget(m_report);
    addWidget(m_list);
    setCurrentWidget(m_report);

    connect(m_report, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { emit entryClicked(index.row()); });
    connect(m_list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { emit entryClicked(index.row()); });
    connect(m_report->header(), &QHeaderView::sectionClicked, this, &FileListView::columnClicked);
    connect(m_report->selectionModel(), &QItemSelectionModel::selectionChanged, this, &FileListView::selectionChanged);
}

void FileListView::clear(const QString& folder) {
    m_model->removeRows(0, m_model->rowCount());
    m_folder = folder;
    m_formatRow = 0;
}

void FileListView::addEntry(const QString& name, int iconNumber, const QString& type, qint64 bytes) {
    auto* nameItem = new NameItem(Icons::fileType(iconNumber), name);
    nameItem->setData(iconNumber, IconNumberRole);
    auto* sizeItem = new SizeItem(fileSizeText(bytes), bytes);
    sizeItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_model->appendRow({nameItem, new TextItem(type), sizeItem, new TextItem(), new TextItem()});
    if (formatColumnShown())
        m_formatTimer->start();
}

void FileListView::addPlaceholder(const QString& text) {
    auto* item = new TextItem(text);
    item->setData(QStringLiteral("none"), KeyRole);
    item->setForeground(PlaceholderGreen);
    item->setData(true, FormatReadRole);
    m_model->appendRow({item, new TextItem(), new TextItem(), new TextItem(), new TextItem()});
}

int FileListView::count() const {
    return m_model->rowCount();
}

QString FileListView::text(int row) const {
    return subItem(row, NameColumn);
}

QString FileListView::subItem(int row, int column) const {
    const QStandardItem* item = m_model->item(row, column);
    return item ? item->text() : QString();
}

QString FileListView::key(int row) const {
    const QStandardItem* item = m_model->item(row, NameColumn);
    return item ? item->data(KeyRole).toString() : QString();
}

int FileListView::iconNumber(int row) const {
    const QStandardItem* item = m_model->item(row, NameColumn);
    return item ? item->data(IconNumberRole).toInt() : 0;
}

QColor FileListView::textColour(int row) const {
    const QStandardItem* item = m_model->item(row, NameColumn);
    if (item && item->data(Qt::ForegroundRole).isValid())
        return item->foreground().color();
    return palette().color(QPalette::Text);
}

bool FileListView::isPlaceholder(int row) const {
    return key(row) == QLatin1String("none");
}

bool FileListView::isSelected(int row) const {
    return m_report->selectionModel()->isSelected(m_model->index(row, NameColumn));
}

void FileListView::setSelected(int row, bool selected) {
    m_report->selectionModel()->select(m_model->index(row, NameColumn),
                                       (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                           QItemSelectionModel::Rows);
}

QList<int> FileListView::selectedRows() const {
    QList<int> rows;
    for (int row = 0; row < count(); ++row) {
        if (isSelected(row))
            rows.append(row);
    }
    return rows;
}

void FileListView::showRow(int row) {
    const QModelIndex index = m_model->index(row, NameColumn);
    m_report->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_report->scrollTo(index);
    m_list->scrollTo(index);
}

void FileListView::sort(int column, Qt::SortOrder order) {
    m_model->sort(column, order);
    m_formatRow = 0;
    m_report->header()->setSortIndicatorShown(true);
    m_report->header()->setSortIndicator(column, order);
}

bool FileListView::isColumnShown(int column) const {
    return !m_report->isColumnHidden(column);
}

void FileListView::setColumnShown(int column, bool shown) {
    m_report->setColumnHidden(column, !shown);
    if (shown && (column == EncodingColumn || column == LineEndColumn)) {
        m_report->resizeColumnToContents(column);
        m_formatTimer->start();
    }
}

bool FileListView::formatColumnShown() const {
    return isColumnShown(EncodingColumn) || isColumnShown(LineEndColumn);
}

QMenu* FileListView::columnMenu() {
    if (m_columnMenu)
        return m_columnMenu;
    m_columnMenu = new QMenu(this);
    m_columnMenu->setObjectName(QStringLiteral("FileListColumnMenu"));
    const std::pair<int, const char*> columns[] = {{EncodingColumn, "ShowEncodingColumn"},
                                                   {LineEndColumn, "ShowLineEndColumn"}};
    for (const auto& [column, name] : columns) {
        QAction* action = m_columnMenu->addAction(m_model->headerData(column, Qt::Horizontal).toString());
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        connect(m_columnMenu, &QMenu::aboutToShow, action,
                [this, action, c = column] { action->setChecked(isColumnShown(c)); });
        connect(action, &QAction::toggled, this, [this, c = column](bool on) { setColumnShown(c, on); });
    }
    return m_columnMenu;
}

bool FileListView::readNextFormat() {
    if (!formatColumnShown() || m_folder.isEmpty())
        return false;
    // Rows before m_formatRow are read; sorting moves rows, so it starts the walk again.
    for (; m_formatRow < m_model->rowCount(); ++m_formatRow) {
        const int row = m_formatRow;
        QStandardItem* name = m_model->item(row, NameColumn);
        if (name->data(FormatReadRole).toBool())
            continue;
        name->setData(true, FormatReadRole);
        const FileFormatText format = FileFormatText::of(m_folder + name->text());
        m_model->item(row, EncodingColumn)->setText(format.encoding);
        m_model->item(row, LineEndColumn)->setText(format.lineEnd);
        return true;
    }
    return false;
}

void FileListView::readAllFormats() {
    while (readNextFormat()) {
    }
    m_formatTimer->stop();
}

bool FileListView::isReportView() const {
    return currentWidget() == m_report;
}

void FileListView::setReportView(bool report) {
    setCurrentWidget(report ? static_cast<QWidget*>(m_report) : static_cast<QWidget*>(m_list));
}

int FileListView::scrollPosition() const {
    return m_report->verticalScrollBar()->value();
}

void FileListView::setScrollPosition(int position) {
    m_report->verticalScrollBar()->setValue(position);
}

int FileListView::columnWidth(int column) const {
    return m_report->columnWidth(column);
}

void FileListView::setColumnWidth(int column, int width) {
    m_report->setColumnWidth(column, width);
}

int FileListView::reportHeightForRows(int rows) const {
    // A row is as high as its text or its 16-pixel icon, with the style's padding.
    const int row = std::max(m_report->sizeHintForRow(0), std::max(fontMetrics().height(), 16) + 4);
    return m_report->header()->sizeHint().height() + rows * row + 2 * m_report->frameWidth();
}

void FileListView::fitSizeColumn() {
    // Room for the longest size text ("1023.9 MB") and for the header with its sort arrow.
    const int text = m_report->fontMetrics().horizontalAdvance(QStringLiteral("1023.9 MB")) + 12;
    const QHeaderView* head = m_report->header();
    const QStyle* style = head->style();
    const int header =
        head->fontMetrics().horizontalAdvance(m_model->headerData(SizeColumn, Qt::Horizontal).toString()) +
        3 * style->pixelMetric(QStyle::PM_HeaderMargin) + style->pixelMetric(QStyle::PM_HeaderMarkSize) + 8;
    m_report->setColumnWidth(SizeColumn, std::max({m_report->columnWidth(SizeColumn), text, header}));
}
