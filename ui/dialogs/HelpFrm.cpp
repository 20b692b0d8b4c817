#include "HelpFrm.h"

#include "ui/common/ScreenFit.h"
#include "ui/main/FaceTranslation.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpFrm::HelpFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpFrm"));
    setWindowTitle(tr("羽墨工坊帮助"));
    setModal(false);
    TextManual = new QTextBrowser(this);
    TextManual->setObjectName(QStringLiteral("TextManual"));
    TextManual->setOpenLinks(true);
    TextManual->setOpenExternalLinks(true);
    TextManual->setSource(manualPage());
    CmdClose = new QPushButton(tr("关闭"), this);
    CmdClose->setObjectName(QStringLiteral("CmdClose"));
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TextManual, 1);
    layout->addLayout(buttons);
    resize(sizeWithinScreen(QSize(720, 640), this));
}

QUrl HelpFrm::manualPage() {
    return QUrl(FaceTranslation::isTraditionalInstalled() ? QStringLiteral("qrc:/manual/zh_TW/index.html")
                                                          : QStringLiteral("qrc:/manual/zh_CN/index.html"));
}

QUrl HelpFrm::shownPage() const {
    return TextManual->source();
}
