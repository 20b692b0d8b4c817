#include "DriveList.h"

#include "Icons.h"

#include <QSignalBlocker>

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    fill(VolumeList::volumes());
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= m_volumes.size())
            return;
        const QString root = m_volumes[index].rootPath;
        if (root == m_lastDrive)
            return;
        m_lastDrive = root;
        emit driveChanged(root);
    });
}

void DriveList::fill(const QList<Volume>& volumes) {
    const QString chosen = drive();
    const QSignalBlocker blocker(this);
    m_volumes = volumes;
    clear();
    for (const Volume& volume : m_volumes) {
        QString text = volume.rootPath;
        if (volume.isHome)
            text += tr("  [主文件夹]");
        else if (!volume.label.isEmpty())
            text += QStringLiteral("  [") + volume.label + u']';
        addItem(Icons::drive(), text, volume.rootPath);
    }
    int index = 0;
    for (int i = 0; i < m_volumes.size(); ++i) {
        if (m_volumes[i].rootPath == chosen)
            index = i;
    }
    setCurrentIndex(m_volumes.isEmpty() ? -1 : index);
    m_lastDrive = drive();
}

void DriveList::refresh() {
    fill(VolumeList::volumes());
}

QString DriveList::drive() const {
    return currentData().toString();
}

bool DriveList::setDriveFor(const QString& folder) {
    const int index = VolumeList::indexOf(m_volumes, folder);
    if (index < 0)
        return false;
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
    m_lastDrive = drive();
    return true;
}
