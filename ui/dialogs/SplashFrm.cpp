#include "SplashFrm.h"

#include "core/Version.h"
#include "ui/common/Icons.h"
#include "ui/common/Twips.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QTimer>

namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QFont scaled(QFont font, double pointSize, bool bold = false) {
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

SplashFrm::SplashFrm(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("SplashFrm"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QSize client = Twips::size(8265, 5040);
    setFixedSize(client);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setGeometry(0, 0, client.width(), client.height());
    Frame1->setAutoFillBackground(true);
    QPalette paper = Frame1->palette();
    paper.setColor(QPalette::Window, QColor(0xfd, 0xfa, 0xf2));
    paper.setColor(QPalette::WindowText, QColor(0x33, 0x2b, 0x22));
    Frame1->setPalette(paper);
    Frame1->installEventFilter(this);

    Image1 = makeLabel(Frame1, QStringLiteral("Image1"), QString(), QRect(1, 1, 190, client.height() - 2));
    Image1->setPixmap(Icons::picture(QStringLiteral("splash-brush")));
    Image1->setScaledContents(true);
    const int left = 212;
    Image3 = makeLabel(Frame1, QStringLiteral("Image3"), QString(), QRect(client.width() - 72, 16, 56, 56));
    Image3->setPixmap(Icons::picture(QStringLiteral("splash-seal")));

    Label1 = makeLabel(Frame1, QStringLiteral("Label1"), tr("QuillMar 羽墨工坊"), QRect(left, 26, 250, 44));
    Label1->setFont(scaled(font(), 20, true));

    LabelVersion =
        makeLabel(Frame1, QStringLiteral("LabelVersion"), QStringLiteral("Version"), QRect(left, 80, 250, 24));
    QFont arial(QStringLiteral("Arial"));
    arial.setStyleHint(QFont::SansSerif);
    LabelVersion->setFont(scaled(arial, 13, true));
    LabelVersion->setText(Version::versionText());

    LabelBuild = makeLabel(Frame1, QStringLiteral("LabelBuild"), QStringLiteral("Build "), QRect(left, 106, 250, 20));
    LabelBuild->setText(Version::revisionText());

    Image2 = makeLabel(Frame1, QStringLiteral("Image2"), QString(), QRect(left, 160, 48, 48));
    Image2->setPixmap(Icons::picture(QStringLiteral("splash-leaf")));
    LabelCall = makeLabel(Frame1, QStringLiteral("LabelCall"), tr("举手之劳做环保，爱护我们的地球"),
                          QRect(left + 58, 170, client.width() - left - 70, 28));
    LabelCall->setFont(scaled(font(), 11));
    QPalette green = LabelCall->palette();
    green.setColor(QPalette::WindowText, QColor(0x2e, 0x7d, 0x32));
    LabelCall->setPalette(green);

    LabelStatus = makeLabel(Frame1, QStringLiteral("LabelStatus"), tr("载入中......"), QRect(left, 226, 250, 20));

    LabelCompany = makeLabel(Frame1, QStringLiteral("LabelCompany"), tr("羽墨工作室"), QRect(left, 262, 320, 18));
    LabelCopyRight = makeLabel(Frame1, QStringLiteral("LabelCopyRight"), tr("Copyright © 2003 羽墨工作室"),
                               QRect(left, 282, 320, 18));
    LabelRights = makeLabel(Frame1, QStringLiteral("LabelRights"), tr("保留所有权利。"), QRect(left, 302, 320, 18));
    for (QLabel* small : {LabelCompany, LabelCopyRight, LabelRights})
        small->setFont(scaled(font(), 8.5));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &SplashFrm::end);
}

void SplashFrm::startCountdown() {
    Timer1->start();
}

void SplashFrm::end() {
    if (m_ended)
        return;
    m_ended = true;
    Timer1->stop();
    emit ended();
    close();
}

bool SplashFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1 && event->type() == QEvent::MouseButtonPress) {
        end();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
