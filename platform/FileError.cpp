#include "FileError.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>

FileError FileError::fromErrno(int errnoValue) {
    return FileError{errnoValue, QString::fromLocal8Bit(std::strerror(errnoValue))};
}

FileError FileError::withText(int errnoValue, const QString& text) {
    return FileError{errnoValue, text};
}

FileError FileError::stopped() {
    return FileError{ECANCELED, QCoreApplication::translate("FileError", "已停止，文件保持原样")};
}

FileError FileError::busy() {
    return withText(EAGAIN, QCoreApplication::translate("FileError", "文件正由另一个任务处理"));
}

FileError FileError::changedMeanwhile() {
    return withText(EAGAIN, QCoreApplication::translate("FileError", "文件在处理时被另一个程序更改"));
}

bool FileError::isStopped() const {
    return number == ECANCELED;
}
