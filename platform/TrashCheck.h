#pragma once

#include <QByteArray>

// The freedesktop.org rules for the trash folder of a shared file system, "$topdir/.Trash-$uid": it is
// used only when it is a real folder (not a symbolic link), owned by the user and closed to everyone
// else (mode 0700). Anything else there may be another user's trap for what this user deletes.
namespace TrashCheck {

bool isOwnTrash(const QByteArray& trashFolder);

} // namespace TrashCheck
