#pragma once

#include "platform/VolumeList.h"

#include <QComboBox>

// The drive list of the browsing windows (Drive1): the home folder first, then the mounted
// volumes. Choosing an entry emits driveChanged() with its root path; selecting one from code
// (setDriveFor) does not.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // Reads the volumes again, keeping the chosen one when it is still there.
    void refresh();
    // Root path of the chosen entry ("" when the list is empty).
    QString drive() const;
    // Chooses the entry that holds `folder`; false when none does (the choice stays).
    bool setDriveFor(const QString& folder);

signals:
    // The user chose another entry.
    void driveChanged(const QString& rootPath);

private:
    void fill(const QList<Volume>& volumes);

    QList<Volume> m_volumes;
    QString m_lastDrive;
};
