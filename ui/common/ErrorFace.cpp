#include "ErrorFace.h"

#include <QCoreApplication>

namespace {

// The descriptions the lower layers give, listed so that the translation tools find them.
[[maybe_unused]] const char* const KnownReasons[] = {
    QT_TRANSLATE_NOOP("ErrorFace", "不是文本文件"),
    QT_TRANSLATE_NOOP("ErrorFace", "不是普通文件"),
    QT_TRANSLATE_NOOP("ErrorFace", "无法判断文件的编码"),
    QT_TRANSLATE_NOOP("ErrorFace", "文件在处理时被另一个程序更改"),
    QT_TRANSLATE_NOOP("ErrorFace", "文件正由另一个任务处理"),
    QT_TRANSLATE_NOOP("ErrorFace", "备份副本已缺失或已损坏"),
};

} // namespace

QString ErrorFace::reason(const FileError& error) {
    return QCoreApplication::translate("ErrorFace", error.description.toUtf8().constData());
}
