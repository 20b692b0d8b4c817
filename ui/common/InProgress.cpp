#include "InProgress.h"

#include "Icons.h"
#include "OwnedWindow.h"
#include "Twips.h"
#include "core/AppState.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The item column no wider than its widest entry (the summing-up, which spans the row, left out):
// what it gives up goes to the reason column, whose notes are the longer texts.
void fitItemColumn(QTreeWidget* list) {
    const QFontMetrics metrics = list->fontMetrics();
    int widest = list->header()->sectionSizeHint(0);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        if (!item->isFirstColumnSpanned())
            widest = std::max(widest, metrics.horizontalAdvance(item->text(0)) + list->iconSize().width() + 24);
    }
    list->setColumnWidth(0, std::min(list->columnWidth(0), widest));
}

QString waitText() {
    return QCoreApplication::translate("InProgress", "处理中，请稍候……");
}

} // namespace

InProgress::InProgress(AppState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state) {
    setObjectName(QStringLiteral("InProgress"));
    setWindowTitle(QString());
    setModal(false);
    // The designed size is the smallest; a larger window gives the rows room to be read whole.
    setMinimumSize(Twips::size(7590, 5055));
    resize(minimumSize());

    LabelWait = new QLabel(waitText(), this);
    LabelWait->setObjectName(QStringLiteral("LabelWait"));
    // Hidden at the end of a batch, it keeps its place: the bar and the rows do not jump.
    QSizePolicy keepPlace = LabelWait->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    LabelWait->setSizePolicy(keepPlace);

    PrgBar1 = new QProgressBar(this);
    PrgBar1->setObjectName(QStringLiteral("PrgBar1"));
    PrgBar1->setRange(0, 100);
    PrgBar1->setValue(0);
    PrgBar1->setTextVisible(false);

    LabelStatus = new QLabel(QStringLiteral("0%"), this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setAlignment(Qt::AlignCenter);

    LVResults = new QTreeWidget(this);
    LVResults->setObjectName(QStringLiteral("LVResults"));
    LVResults->setHeaderLabels({tr("项目"), tr("状态"), tr("原因")});
    LVResults->setRootIsDecorated(false);
    LVResults->setUniformRowHeights(true);
    LVResults->setSelectionMode(QAbstractItemView::SingleSelection);
    LVResults->setIconSize(QSize(16, 16));
    // The reason column takes what the item and status columns leave, so that a note is read without
    // dragging column borders; a text cut off shows whole in its tooltip.
    LVResults->header()->setStretchLastSection(true);
    LVResults->header()->setMinimumSectionSize(40);

    ChkAttention = new QCheckBox(tr("只显示红色和黄色的行"), this);
    ChkAttention->setObjectName(QStringLiteral("ChkAttention"));
    connect(ChkAttention, &QCheckBox::toggled, this, &InProgress::applyFilter);

    CmdOK = new QPushButton(tr("关闭[&O]"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);
    CmdOK->setMinimumSize(Twips::size(1335, 375));
    CmdOK->hide();
    connect(CmdOK, &QPushButton::clicked, this, &InProgress::acknowledge);

    // Away from the acknowledge button's place: a click meant to stop a batch that has just ended
    // must not close its results unseen.
    CmdStop = new QPushButton(tr("停止[&S]"), this);
    CmdStop->setObjectName(QStringLiteral("CmdStop"));
    CmdStop->setAutoDefault(false);
    CmdStop->setMinimumSize(Twips::size(1335, 375));
    CmdStop->hide();
    connect(CmdStop, &QPushButton::clicked, this, &InProgress::requestStop);

    const int margin = Twips::toPixels(480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, Twips::toPixels(120), margin, Twips::toPixels(120));
    layout->addWidget(LabelWait);
    layout->addWidget(PrgBar1);
    layout->addWidget(LabelStatus);
    layout->addWidget(LVResults, 1);
    layout->addWidget(ChkAttention);
    auto* buttons = new QGridLayout;
    buttons->addWidget(CmdOK, 0, 1);
    buttons->addWidget(CmdStop, 0, 2, Qt::AlignRight);
    buttons->setColumnStretch(0, 1);
    buttons->setColumnStretch(2, 1);
    layout->addLayout(buttons);
    // The button row keeps its height while the acknowledge button is hidden.
    buttons->setRowMinimumHeight(0, CmdOK->minimumHeight());

    OwnedWindow::centreOnScreen(this);
}

void InProgress::beginBatch(QWidget* owner, bool ownedByOwner) {
    setRunning(true);
    OwnedWindow::showOwned(this, ownedByOwner ? owner : nullptr);
    if (owner)
        owner->setEnabled(false);
    m_state.ProgressOwner = owner;
    // Item and status columns by the width the window has now; the reason column takes the rest.
    const int width = LVResults->viewport()->width();
    LVResults->setColumnWidth(0, width * 2 / 5);
    LVResults->setColumnWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("覆盖原有文件")) + 16);
}

void InProgress::setRunning(bool running) {
    m_stopAsked = false;
    m_tally = OutcomeTally();
    LabelWait->setText(waitText());
    CmdStop->setEnabled(true);
    CmdStop->setVisible(running);
}

void InProgress::requestStop() {
    if (isFinished() || m_stopAsked)
        return;
    m_stopAsked = true;
    CmdStop->setEnabled(false);
    LabelWait->setText(tr("正在停止……"));
}

void InProgress::setBar(int percent) {
    PrgBar1->setValue(percent);
    LabelStatus->setText(QString::number(percent) + u'%');
}

QString InProgress::summingUp(const OutcomeTally& tally, bool stopped) {
    QStringList parts;
    const auto add = [&parts](int count, const QString& text) {
        if (count > 0)
            parts.append(text.arg(count));
    };
    add(tally.done(), tr("%1 个完成"));
    add(tally.unchanged(), tr("%1 个未改变"));
    add(tally.kept(), tr("%1 个保持原样"));
    add(tally.notDone(), tr("%1 个未完成"));
    add(tally.errors(), tr("%1 个错误"));
    const QString counts = parts.isEmpty() ? tr("没有处理任何文件") : parts.join(tr("，"));
    return stopped ? tr("已停止：%1").arg(counts) : tr("共 %1 个文件：%2").arg(tally.files()).arg(counts);
}

QString InProgress::shownText(const ResultRow& row) {
    // The folder of the batch's first file is said once, in the title; a row that names a file of
    // that folder by its full path shows the name.
    if (row.file.isEmpty())
        return row.text;
    const qsizetype slash = row.file.lastIndexOf(u'/');
    const QString folder = row.file.left(slash + 1);
    if (windowTitle().isEmpty())
        setWindowTitle(folder);
    return row.text == row.file && folder == windowTitle() ? row.file.mid(slash + 1) : row.text;
}

void InProgress::addRow(const ResultRow& row, int outcome) {
    auto* item = new QTreeWidgetItem(LVResults, {shownText(row), row.status, row.reason});
    for (int column = 0; column < 3; ++column)
        item->setToolTip(column, item->text(column));
    if (!row.file.isEmpty())
        item->setToolTip(0, row.file);
    const QString markKey = row.markKey();
    if (!markKey.isEmpty())
        item->setIcon(0, Icons::mark(markKey));
    item->setData(0, OutcomeRole, outcome);
    // The summing-up has no status or reason: its text reads across the whole row.
    item->setFirstColumnSpanned(outcome == SummingUp);
    item->setHidden(ChkAttention->isChecked() && outcome != SummingUp &&
                    !Outcomes::needsAttention(Outcome(outcome)));
}

void InProgress::applyFilter() {
    const bool attentionOnly = ChkAttention->isChecked();
    for (int i = 0; i < LVResults->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = LVResults->topLevelItem(i);
        const int outcome = item->data(0, OutcomeRole).toInt();
        item->setHidden(attentionOnly && outcome != SummingUp && !Outcomes::needsAttention(Outcome(outcome)));
    }
}

void InProgress::ReportProgress(int percent, const ResultRow& row) {
    if (percent >= 1 && percent <= 100 && percent != PrgBar1->value())
        setBar(percent);

    if (!row.text.isEmpty()) {
        addRow(row, int(row.outcome));
        m_tally.add(row);
    }

    if (percent == -1) {
        // Input that came during the last stretch of work goes to the running window now, never to
        // the acknowledge button about to appear.
        QCoreApplication::processEvents();
        // A stopped batch keeps its bar where it stopped: the bar tells how far it came.
        if (m_stopAsked)
            LabelStatus->setText(LabelStatus->text() + QLatin1Char(' ') + tr("已停止"));
        else
            setBar(100);
        fitItemColumn(LVResults);
        addRow(ResultRow::about(Outcome::Summary, summingUp(m_tally, m_stopAsked)), SummingUp);
        LVResults->scrollToBottom();
        CmdStop->hide();
        CmdOK->show();
        LabelWait->hide();
        CmdOK->setFocus();
        emit batchEnded();
    }
}

void InProgress::processEvents() {
    QCoreApplication::processEvents();
}

void InProgress::acknowledge() {
    setBar(0);
    LVResults->clear();
    setWindowTitle(QString());
    CmdOK->hide();
    LabelWait->show();
    setRunning(false);
    if (auto* owner = qobject_cast<QWidget*>(m_state.ProgressOwner.data()))
        owner->setEnabled(true);
    m_state.ProgressOwner.clear();
    hide();
    emit acknowledged();
}

bool InProgress::isFinished() const {
    return !CmdOK->isHidden();
}

void InProgress::reject() {
    // Escape must not hide the window in the middle of a batch: only CmdOK ends it.
}

void InProgress::closeEvent(QCloseEvent* event) {
    // The window has no close box; a close request from the window system is refused like Escape.
    // Shutdown deletes the window instead of closing it.
    event->ignore();
}
