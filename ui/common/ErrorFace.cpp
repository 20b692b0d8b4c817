#include "ErrorFace.h"

QString ErrorFace::reason(const FileError& error) {
    // The lower layers read their own descriptions through the translation when they make them.
    return error.description;
}
