#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures, drawn as SVG in resources/quillmar.qrc.
namespace Icons {

// The result marks of the progress window: "red", "yellow" or "blue"; a null icon for any other key.
QIcon mark(const QString& key);
// The small icons of the file lists: 1 text document, 2 web page, 3 other file.
QIcon fileType(int number);
// The icon number of a file name by its extension (lower-cased): "txt" 1, "htm"/"html" 2, else 3.
int fileTypeNumber(const QString& name);
// Folder lists and drive lists.
QIcon folderOpen();
QIcon folderClosed();
QIcon drive();
// A toolbar button by its key ("gb", "big", "autopara", ...): its picture, and the brighter one
// while the mouse is over it (QIcon::Active).
QIcon toolbarButton(const QString& key);
QIcon program();
QPixmap banner();
// Decorations of the splash and the about box, by name: "splash-brush", "splash-leaf",
// "splash-seal", "about".
QPixmap picture(const QString& name);

} // namespace Icons
