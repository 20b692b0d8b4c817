#include "SettingsRec.h"

#include <QtEndian>
#include <algorithm>

namespace {

// Field widths in file order; the image is these fields back to back.
class ImageWriter {
public:
    explicit ImageWriter(QByteArray& out) : m_out(out) {}
    void put16(qint16 value) {
        char bytes[2];
        qToLittleEndian<qint16>(value, bytes);
        m_out.append(bytes, 2);
    }
    void put32(qint32 value) {
        char bytes[4];
        qToLittleEndian<qint32>(value, bytes);
        m_out.append(bytes, 4);
    }

private:
    QByteArray& m_out;
};

// Reads the fields in file order from a full-size image.
class ImageReader {
public:
    explicit ImageReader(const char* bytes) : m_bytes(bytes) {}
    qint16 get16() { return get<qint16>(); }
    qint32 get32() { return get<qint32>(); }

private:
    template <typename T> T get() {
        const T value = qFromLittleEndian<T>(m_bytes + m_pos);
        m_pos += sizeof(T);
        return value;
    }

    const char* m_bytes;
    qsizetype m_pos = 0;
};

qint16 clampFlag(qint16 flag) {
    return toFlag(isTrue(flag));
}

qint16 clampRange(qint16 value, qint16 low, qint16 high) {
    return std::clamp(value, low, high);
}

} // namespace

QByteArray SettingsRec::toFileImage() const {
    QByteArray image;
    image.reserve(FileSize);
    ImageWriter out(image);
    out.put16(SaveStatus);
    out.put16(StartMode);
    out.put16(WinState);
    out.put32(WinTop);
    out.put32(WinLeft);
    out.put32(WinHeight);
    out.put32(WinWidth);
    out.put16(DelLinks);
    out.put16(BackupOn);
    out.put16(BackupTime);
    out.put16(RecentMax);
    out.put16(PrefixMax);
    out.put16(ParaLevel);
    return image;
}

SettingsRec SettingsRec::fromFileImage(QByteArrayView bytes) {
    // A short image reads as a record of zeros overlaid with the bytes that are there.
    QByteArray image(FileSize, '\0');
    std::copy_n(bytes.data(), std::min<qsizetype>(bytes.size(), FileSize), image.data());
    ImageReader in(image.constData());
    SettingsRec rec;
    rec.SaveStatus = in.get16();
    rec.StartMode = in.get16();
    rec.WinState = in.get16();
    rec.WinTop = in.get32();
    rec.WinLeft = in.get32();
    rec.WinHeight = in.get32();
    rec.WinWidth = in.get32();
    rec.DelLinks = in.get16();
    rec.BackupOn = in.get16();
    rec.BackupTime = in.get16();
    rec.RecentMax = in.get16();
    rec.PrefixMax = in.get16();
    rec.ParaLevel = in.get16();
    return rec;
}

void SettingsRec::clamp() {
    SaveStatus = clampFlag(SaveStatus);
    DelLinks = clampFlag(DelLinks);
    BackupOn = clampFlag(BackupOn);
    // The splash opens the wizard for any value but 0.
    StartMode = StartMode != 0 ? 1 : 0;
    WinState = clampRange(WinState, 0, 2);
    BackupTime = clampRange(BackupTime, 1, 7);
    ParaLevel = clampRange(ParaLevel, 0, 3);
    // The options dialog accepts 1..20 recent folders and 1..100 prefixes.
    RecentMax = clampRange(RecentMax, 0, 19);
    PrefixMax = clampRange(PrefixMax, 0, 99);
}
