#pragma once

#include <QList>
#include <QString>

// The places a drive list offers: the user's home folder first, then every mounted volume the
// system reports (root "/" included), each once. Root paths end without "/" except "/" itself.
struct Volume {
    QString rootPath;
    QString label; // the volume's name or device; the home entry has none
    bool ready = true;
    bool isHome = false;
};

namespace VolumeList {

QList<Volume> volumes();
// Index in `list` of the entry holding `folder`: the one with the longest root path that is the
// folder itself or one of its parents; -1 when none does.
int indexOf(const QList<Volume>& list, const QString& folder);
// Whether the volume holding `rootPath` can be read now.
bool isReady(const QString& rootPath);

} // namespace VolumeList
