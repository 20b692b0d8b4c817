#include "TrashCheck.h"

#include <sys/stat.h>
#include <unistd.h>

namespace TrashCheck {

bool isOwnTrash(const QByteArray& trashFolder) {
    struct stat st;
    return ::lstat(trashFolder.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 07777) == 0700;
}

} // namespace TrashCheck
