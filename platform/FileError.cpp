#include "FileError.h"

#include <cstring>

FileError FileError::fromErrno(int errnoValue) {
    return FileError{errnoValue, QString::fromLocal8Bit(std::strerror(errnoValue))};
}

FileError FileError::withText(int errnoValue, const QString& text) {
    return FileError{errnoValue, text};
}
