#pragma once

#include "core/AppState.h"
#include "engine/JobEnv.h"
#include "platform/Clock.h"
#include "ui/common/MessagePrompt.h"
#include "ui/common/TaskWindows.h"

#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

class AboutFrm;
class InProgress;
class MainFrm;
class MessageProvider;
class SplashFrm;

// The program as a whole: the program-wide values, the clock, the message provider and the
// long-lived windows (MainFrm, InProgress and the wizard FastWork), with start-up (start()) and
// shutdown (shutdown(), run when MainFrm is closed). Tests build it on a temporary folder with
// scripted messages.
class Application : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The folder the program lies in (for the settings folder and "Default.cfg").
        QString programFolder;
        // The settings folder; empty: resolveAppFolder(programFolder).
        QString appFolder;
        // Null: the program's message boxes.
        MessageProvider* messages = nullptr;
        // Null: the system clock.
        const Clock* clock = nullptr;
        // Files and folders named on the command line: the main window opens them
        // (MainFrm::openPaths) and is the first window shown, whatever StartMode says.
        QStringList openPaths;
    };

    explicit Application(const Options& options);
    ~Application() override;

    // Start-up. False when another instance runs and the user declined to start a second one;
    // nothing has been loaded or written then. Otherwise the splash is up, the settings are loaded,
    // the long-lived windows exist hidden and the splash timer runs; its end shows MainFrm, or the
    // wizard when StartMode is 1.
    bool start();
    // Shutdown: window state and bounds and the settings files saved when SaveStatus is on, the
    // wizard and the progress window unloaded, the working file deleted; then finished().
    void shutdown();

    AppState& state() { return m_state; }
    MessageProvider& messages() { return *m_messages; }
    Prompt& prompt() { return m_prompt; }
    const Clock& clock() const { return *m_clock; }
    // The environment of every batch: the state, the progress window as sink, the message prompt
    // and the clock. Valid after start().
    JobEnv& jobEnv() { return *m_env; }

    MainFrm* mainFrm() const;
    InProgress* inProgress() const;
    // The wizard FastWork when one is registered; null otherwise.
    QWidget* fastWork() const;
    // The splash while it is up; null once it has ended.
    SplashFrm* splash() const;
    TaskWindows& taskWindows() { return m_taskWindows; }

    // The window the splash opens: the wizard when StartMode is not 0 (and a wizard exists), else
    // MainFrm; shown without an owner.
    void showFirstWindow();

    // Main window bounds in twips from / into the settings.
    void applyWindowSettings();
    void storeWindowSettings();

    // Where the user keeps the settings (SaveStatus on): writes the settings files when anything in
    // them differs from what was last written or read, so a program that is killed keeps them.
    // Nothing is written when SaveStatus is off. Runs on a short repeating timer after start();
    // true when the files were written.
    bool saveSettingsIfChanged();

    static QString secondInstanceQuestion();
    // The main window's bounds at the very first start (no settings file yet) on a screen whose
    // available area is `available`; `designed` is the default record's.
    static QRect firstBounds(const QRect& designed, const QRect& available);

signals:
    // Shutdown has run: the program may end.
    void finished();

private:
    // What the settings files would hold: compared to see whether a save is due.
    struct SettingsSnapshot {
        SettingsRec record;
        Preferences prefs;
        QStringList prefixes;
        QStringList recent;
        QString backupFolder;
        QString currentFolder;
        bool operator==(const SettingsSnapshot&) const = default;
    };
    SettingsSnapshot settingsSnapshot() const;
    bool otherInstanceRuns();

    AppState m_state;
    SystemClock m_systemClock;
    const Clock* m_clock;
    std::unique_ptr<MessageProvider> m_ownMessages;
    MessageProvider* m_messages;
    MessagePrompt m_prompt;
    std::optional<JobEnv> m_env;
    TaskWindows m_taskWindows;
    QString m_programFolder;
    QString m_appFolder;
    QStringList m_openPaths;
    std::unique_ptr<QLockFile> m_instanceLock;

    QPointer<SplashFrm> m_splash;
    QPointer<MainFrm> m_main;
    QPointer<InProgress> m_progress;
    QPointer<QWidget> m_fastWork;
    bool m_shutDown = false;
    bool m_firstStart = false;
    QTimer* m_settingsTimer = nullptr;
    std::optional<SettingsSnapshot> m_savedSettings;
};
