#include "EpubArchive.h"

#include "AtomicFile.h"
#include "FileName.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

EpubArchive::EpubArchive() = default;

EpubArchive::~EpubArchive() {
    if (m_zip)
        zip_discard(m_zip);
}

bool EpubArchive::fail(const QString& what) {
    if (!m_error.isSet()) {
        const char* reason = m_zip ? zip_strerror(m_zip) : "";
        m_error = FileError::withText(EIO, what + QStringLiteral(": ") + QString::fromUtf8(reason));
    }
    return false;
}

bool EpubArchive::open(const QString& scratchPath, FileError* error) {
    m_scratchPath = scratchPath;
    int code = 0;
    m_zip = zip_open(FileName::encode(scratchPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!m_zip) {
        zip_error_t zipError;
        zip_error_init_with_code(&zipError, code);
        m_error = FileError::withText(EIO, QString::fromUtf8(zip_error_strerror(&zipError)));
        zip_error_fini(&zipError);
        if (error)
            *error = m_error;
        return false;
    }
    return true;
}

bool EpubArchive::addBytes(const QByteArray& name, const QByteArray& bytes, bool stored) {
    if (!m_zip)
        return false;
    const QByteArray& held = m_held.emplace_back(bytes);
    zip_source_t* source = zip_source_buffer(m_zip, held.constData(), zip_uint64_t(held.size()), 0);
    if (!source)
        return fail(QString::fromLatin1(name));
    const zip_int64_t index = zip_file_add(m_zip, name.constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return fail(QString::fromLatin1(name));
    }
    if (stored && zip_set_file_compression(m_zip, zip_uint64_t(index), ZIP_CM_STORE, 0) < 0)
        return fail(QString::fromLatin1(name));
    return true;
}

bool EpubArchive::addFile(const QByteArray& name, const QString& path) {
    if (!m_zip)
        return false;
    zip_source_t* source = zip_source_file(m_zip, FileName::encode(path).constData(), 0, -1); // -1: to its end
    if (!source)
        return fail(path);
    if (zip_file_add(m_zip, name.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        return fail(path);
    }
    return true;
}

bool EpubArchive::close(const QString& target, FileError* error, bool replace) {
    const bool built = m_zip && !m_error.isSet() && zip_close(m_zip) == 0;
    if (built)
        m_zip = nullptr;
    else
        fail(QStringLiteral("zip"));
    m_held.clear();
    const bool copied = built && copyTo(target, &m_error, replace);
    if (!copied && error)
        *error = m_error;
    return copied;
}

// The finished archive goes to the target through the program's one atomic writer.
bool EpubArchive::copyTo(const QString& target, FileError* error, bool replace) {
    const int in = ::open(FileName::encode(m_scratchPath).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = FileError::fromErrno(errno);
        return false;
    }
    // A link at the target is written through, as the text writer does: the link stays a link.
    int linkError = 0;
    const QByteArray finalTarget = AtomicFile::followLinks(FileName::encode(target), &linkError);
    if (linkError != 0) {
        ::close(in);
        *error = FileError::fromErrno(linkError);
        return false;
    }
    AtomicFile out;
    bool ok = out.open(finalTarget, 0666, error);
    char buffer[1 << 16];
    while (ok) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got < 0)
                *error = FileError::fromErrno(errno);
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            const ssize_t put = ::write(out.fd(), buffer + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                *error = FileError::fromErrno(errno);
                ok = false;
            }
            done += put > 0 ? put : 0;
        }
    }
    ::close(in);
    return ok &&
           out.commit(replace ? AtomicFile::Mode::Replace : AtomicFile::Mode::NoReplace, FileSync::WithBatch, error);
}
