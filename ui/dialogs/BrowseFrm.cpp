#include "BrowseFrm.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "platform/FileError.h"
#include "platform/VolumeList.h"
#include "ui/common/Browsing.h"
#include "ui/common/DriveList.h"
#include "ui/common/FolderList.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/Twips.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <cerrno>

BrowseFrm::BrowseFrm(AppState& state, MessageProvider& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state),
      m_messages(messages) {
    setObjectName(QStringLiteral("BrowseFrm"));
    setWindowTitle(QString());
    setModal(true);
    setFixedSize(Twips::size(4905, 5280));

    Label1 = new QLabel(tr("请选择目录："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::rect(120, 120, 4665, 255));

    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Twips::rect(120, 450, 4665, 315));

    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(Twips::rect(120, 885, 4665, 3675));

    CmdOk = new QPushButton(tr("确定"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);
    CmdOk->setGeometry(Twips::rect(1680, 4740, 1455, 375));

    Cmdcancel = new QPushButton(tr("取消"), this);
    Cmdcancel->setObjectName(QStringLiteral("Cmdcancel"));
    Cmdcancel->setAutoDefault(false);
    Cmdcancel->setGeometry(Twips::rect(3330, 4740, 1455, 375));

    Browsing::openFolder(*Drive1, *Dir1, QDir::currentPath());

    connect(Drive1, &DriveList::driveChanged, this, &BrowseFrm::driveChanged);
    connect(Dir1, &FolderList::openFailed, this, [this](const FileError& error) { m_messages.showError(this, error); });
    connect(CmdOk, &QPushButton::clicked, this, [this] {
        m_state.PickedFolder = AddBackslash(Dir1->path());
        done(Accepted);
    });
    connect(Cmdcancel, &QPushButton::clicked, this, [this] {
        m_state.PickedFolder.clear();
        done(Rejected);
    });
}

bool BrowseFrm::openFolder(const QString& folder) {
    return Browsing::openFolder(*Drive1, *Dir1, folder);
}

void BrowseFrm::driveChanged() {
    FileError error;
    const QString root = Drive1->drive();
    if (!VolumeList::isReady(root))
        error = FileError::fromErrno(ENOMEDIUM);
    else if (Dir1->setPath(root, &error))
        return;
    m_messages.showError(this, error);
    Drive1->setDriveFor(Dir1->path());
}

void BrowseFrm::reject() {
    // Escape and the window system's close request are refused: the picker ends only by its buttons.
}
