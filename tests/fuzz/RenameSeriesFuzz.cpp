// Series renames from any template and start number, carried out on real files: a plan the check
// refuses changes nothing; a plan it accepts either renames every file to its new name or, when a
// rename fails, puts every file back; no file is ever lost or overwritten, and no temporary name is
// left behind.
//
// Input: one byte choosing the files (bits 0-3: which of the first names are selected, bits 4-7:
// which of the others lie in the folder too), four bytes of start number, one byte of flags (bit 0:
// the template is raw UTF-16 units), then the template.

#include "FuzzSupport.h"
#include "platform/FileName.h"
#include "runner/RenamePlan.h"

#include <QMap>
#include <dirent.h>

namespace {

const char* const Names[] = {
    "a.txt", "1.txt", "b.TXT", "01.txt",    // may be selected
    "a",     "0.txt", "x.y.z", "第1章.txt", // lie in the folder when chosen
};

using Snapshot = QMap<QByteArray, QByteArray>; // file name as bytes -> content

Snapshot snapshot(const std::string& folder) {
    Snapshot files;
    DIR* dir = ::opendir(folder.c_str());
    FUZZ_CHECK(dir, "cannot list the folder");
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            files.insert(name, Fuzz::readFile(folder + '/' + entry->d_name));
    }
    ::closedir(dir);
    return files;
}

void emptyFolder(const std::string& folder) {
    const Snapshot files = snapshot(folder);
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        ::unlink((folder + '/' + it.key().toStdString()).c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const uint8_t choice = input.byte();
    const qint32 start = qint32(input.number());
    const bool raw = input.byte() & 1;
    const QString nameTemplate = Fuzz::text(input.rest(), raw);

    const std::string folder = Fuzz::scratchFolder() + "/rename";
    ::mkdir(folder.c_str(), 0777);
    emptyFolder(folder);
    const QString folderPath = QString::fromStdString(folder) + u'/';
    QList<RenameItem> items;
    for (int i = 0; i < 8; ++i) {
        if (!(choice & (1 << i)))
            continue;
        const QString name = QString::fromUtf8(Names[i]);
        FUZZ_CHECK(Fuzz::writeFile(folderPath + name, QByteArray("content of ") + Names[i]), "cannot write");
        if (i < 4)
            items.append({name, QString()});
    }
    if (items.isEmpty())
        return 0;

    RenameSeries(items, nameTemplate, start);
    const Snapshot before = snapshot(folder);
    const QString refusal = checkRenamePlan(folderPath, items);
    if (!refusal.isEmpty()) {
        FUZZ_CHECK(snapshot(folder) == before, "a refused plan changed the folder");
        return 0;
    }

    Snapshot expected = before;
    for (const RenameItem& item : items)
        expected.remove(FileName::encode(item.oldName));
    for (const RenameItem& item : items) {
        FUZZ_CHECK(!expected.contains(FileName::encode(item.newName)), "an accepted plan would overwrite %s",
                   Fuzz::shown(item.newName).c_str());
        expected.insert(FileName::encode(item.newName), before.value(FileName::encode(item.oldName)));
    }
    FUZZ_CHECK(expected.size() == before.size(), "an accepted plan would lose a file");

    QString message;
    const bool done = executeRenamePlan(folderPath, items, &message);
    const Snapshot after = snapshot(folder);
    if (done)
        FUZZ_CHECK(after == expected, "the renames did not give the plan (template %s)",
                   Fuzz::shown(nameTemplate).c_str());
    else
        FUZZ_CHECK(after == before, "a failed plan was not put back: %s", message.toUtf8().constData());
    return 0;
}
