#include "AboutFrm.h"

#include "core/Version.h"
#include "ui/common/Icons.h"
#include "ui/common/Twips.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

AboutFrm::AboutFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("AboutFrm"));
    setWindowTitle(tr("QuillMar 羽墨工坊"));
    setModal(true);
    const QSize client = Twips::size(9600, 5595);
    setFixedSize(client);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(Icons::picture(QStringLiteral("about")));
    Image1->setGeometry(16, 16, 150, 200);

    const int left = 188;
    const int width = client.width() - left - 16;

    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont times(QStringLiteral("Times New Roman"));
    times.setStyleHint(QFont::Serif);
    times.setPointSize(18);
    times.setBold(true);
    Label1->setFont(times);
    Label1->setGeometry(left, 16, width, 36);
    Label1->setText(Version::versionText());

    Label2 = new QLabel(tr("羽墨工作室 出品\nCopyright © 2003 羽墨工作室"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(left, 58, width, 40);

    Label3 = new QLabel(tr("为本软件作出各种贡献的人们:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(left, 112, width, 20);

    LV1 = new QTreeWidget(this);
    LV1->setObjectName(QStringLiteral("LV1"));
    LV1->setRootIsDecorated(false);
    LV1->setHeaderLabels({tr("姓名"), tr("建议及帮助"), tr("时间")});
    CmdClose = new QPushButton(tr("关闭[&C]"), this);
    CmdClose->setObjectName(QStringLiteral("CmdClose"));
    CmdClose->setDefault(true);
    const QSize button = CmdClose->sizeHint().expandedTo(Twips::size(1335, 375));
    CmdClose->setGeometry(client.width() - 16 - button.width(), client.height() - 16 - button.height(), button.width(),
                          button.height());
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::accept);

    LV1->setGeometry(left, 136, width, client.height() - 136 - 16 - button.height() - 12);
    LV1->header()->setStretchLastSection(false);
    LV1->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    LV1->setColumnWidth(0, 80);
    LV1->setColumnWidth(2, 90);
    new QTreeWidgetItem(LV1, {QStringLiteral("青禾"), tr("建议增加替换去除字符功能"), QStringLiteral("2003.7.5")});
}
