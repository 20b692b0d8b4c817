#pragma once

#include <QByteArray>
#include <QtGlobal>

// The thirteen persisted settings. Booleans are 16-bit integers holding -1 (true) or 0 (false);
// window geometry is in twips. The file image ("Quillmar.cfg") is 34 bytes, little-endian, the
// fields packed one after the other in this order with no padding.
struct SettingsRec {
    qint16 SaveStatus = -1;
    qint16 StartMode = 0;
    qint16 WinState = 0;
    qint32 WinTop = 240;
    qint32 WinLeft = 480;
    qint32 WinHeight = 8205;
    qint32 WinWidth = 11115;
    qint16 DelLinks = -1;
    qint16 BackupOn = -1;
    qint16 BackupTime = 5;
    qint16 RecentMax = 7;
    qint16 PrefixMax = 29;
    qint16 ParaLevel = 1;

    static constexpr int FileSize = 34;

    bool operator==(const SettingsRec&) const = default;

    QByteArray toFileImage() const;
    // Fields whose bytes are missing from a short image are zero; nothing is clamped here.
    static SettingsRec fromFileImage(QByteArrayView bytes);
    // Brings values a damaged file may hold back into the ranges the program can work with.
    void clamp();

    // The window the splash opens: StartMode 0 the main window, any other value the wizard.
    enum class StartWindow { Main, Wizard };

    // The flags and StartMode as values; the fields keep what the file holds (-1 true, 0 false).
    bool saveStatus() const;
    void setSaveStatus(bool on);
    bool backupOn() const;
    void setBackupOn(bool on);
    bool delLinks() const;
    void setDelLinks(bool on);
    StartWindow startWindow() const;
    void setStartWindow(StartWindow window);
};

inline bool isTrue(qint16 flag) {
    return flag != 0;
}
inline qint16 toFlag(bool value) {
    return value ? qint16(-1) : qint16(0);
}

inline bool SettingsRec::saveStatus() const {
    return isTrue(SaveStatus);
}
inline void SettingsRec::setSaveStatus(bool on) {
    SaveStatus = toFlag(on);
}
inline bool SettingsRec::backupOn() const {
    return isTrue(BackupOn);
}
inline void SettingsRec::setBackupOn(bool on) {
    BackupOn = toFlag(on);
}
inline bool SettingsRec::delLinks() const {
    return isTrue(DelLinks);
}
inline void SettingsRec::setDelLinks(bool on) {
    DelLinks = toFlag(on);
}
inline SettingsRec::StartWindow SettingsRec::startWindow() const {
    return StartMode != 0 ? StartWindow::Wizard : StartWindow::Main;
}
inline void SettingsRec::setStartWindow(StartWindow window) {
    StartMode = window == StartWindow::Wizard ? 1 : 0;
}
