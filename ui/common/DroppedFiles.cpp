#include "DroppedFiles.h"

#include "platform/FileName.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

namespace DroppedFiles {

QStringList localPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        // The path's own bytes: toLocalFile() would turn every byte that is not UTF-8 into U+FFFD.
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        const QString path = QDir::cleanPath(FileName::decode(bytes));
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

bool carriesLocalPaths(const QMimeData* data) {
    return !localPaths(data).isEmpty();
}

} // namespace DroppedFiles
