#include "InProgress.h"

#include "Icons.h"
#include "OwnedWindow.h"
#include "Twips.h"
#include "core/AppState.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

InProgress::InProgress(AppState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state) {
    setObjectName(QStringLiteral("InProgress"));
    setWindowTitle(QString());
    setModal(false);
    setFixedSize(Twips::size(7590, 5055));

    LabelWait = new QLabel(tr("处理中，请稍候……"), this);
    LabelWait->setObjectName(QStringLiteral("LabelWait"));
    LabelWait->setGeometry(Twips::rect(480, 120, 6615, 255));

    PrgBar1 = new QProgressBar(this);
    PrgBar1->setObjectName(QStringLiteral("PrgBar1"));
    PrgBar1->setRange(0, 100);
    PrgBar1->setValue(0);
    PrgBar1->setTextVisible(false);
    PrgBar1->setGeometry(Twips::rect(480, 360, 6615, 375));

    LabelStatus = new QLabel(QStringLiteral("0%"), this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setAlignment(Qt::AlignCenter);
    // Wider than designed, centred on the designed place: "100%" must fit in any font.
    const QRect status = Twips::rect(3600, 720, 495, 255);
    LabelStatus->setGeometry(status.adjusted(-status.width() / 2, 0, status.width() / 2, 0));

    LVResults = new QTreeWidget(this);
    LVResults->setObjectName(QStringLiteral("LVResults"));
    LVResults->setHeaderLabels({tr("项目"), tr("状态"), tr("原因")});
    LVResults->setRootIsDecorated(false);
    LVResults->setUniformRowHeights(true);
    LVResults->setSelectionMode(QAbstractItemView::SingleSelection);
    LVResults->setIconSize(QSize(16, 16));
    LVResults->setGeometry(Twips::rect(480, 1080, 6615, 3255));
    // The status and reason columns keep their designed widths; the item column takes the rest, so
    // that no horizontal scroll bar is needed for the three of them.
    LVResults->header()->setStretchLastSection(true);
    const int scrollBar = LVResults->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    LVResults->setColumnWidth(0, LVResults->width() - 80 - 96 - scrollBar - 2 * LVResults->frameWidth());
    LVResults->setColumnWidth(1, 80);

    CmdOK = new QPushButton(tr("了解[&O]"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);
    CmdOK->setGeometry(Twips::rect(3240, 4560, 1335, 375));
    CmdOK->hide();
    connect(CmdOK, &QPushButton::clicked, this, &InProgress::acknowledge);

    OwnedWindow::centreOnScreen(this);
}

void InProgress::beginBatch(QWidget* owner, bool ownedByOwner) {
    OwnedWindow::showOwned(this, ownedByOwner ? owner : nullptr);
    if (owner)
        owner->setEnabled(false);
    m_state.ProgressOwner = owner;
}

void InProgress::setBar(int percent) {
    PrgBar1->setValue(percent);
    LabelStatus->setText(QString::number(percent) + u'%');
}

void InProgress::ReportProgress(int percent, const QString& text, const QString& status, const QString& reason,
                                const QString& markKey) {
    if (percent >= 1 && percent <= 100 && percent != PrgBar1->value())
        setBar(percent);

    if (!text.isEmpty()) {
        auto* row = new QTreeWidgetItem(LVResults, {text, status, reason});
        if (!markKey.isEmpty())
            row->setIcon(0, Icons::mark(markKey));
    }

    if (percent == -1) {
        setBar(100);
        CmdOK->show();
        LabelWait->hide();
        CmdOK->setFocus();
    }
}

void InProgress::processEvents() {
    QCoreApplication::processEvents();
}

void InProgress::acknowledge() {
    setBar(0);
    LVResults->clear();
    CmdOK->hide();
    LabelWait->show();
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
