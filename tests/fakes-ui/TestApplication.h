#pragma once

#include "ScriptedMessageProvider.h"
#include "fakes/FakeClock.h"
#include "ui/main/Application.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class MainFrm;

// The program on a temporary folder: the settings folder is <temp>/app/, files to work on go into
// <temp>/files/ (or any folder the test makes with folder()). Messages are scripted and the clock
// shows 14:05 on 5 July 2003 until a test moves it.
class TestApplication {
public:
    // `openFilesFolder`: the program is started with filesFolder() on its command line.
    explicit TestApplication(bool openFilesFolder = false);
    ~TestApplication();

    // Start-up; with `endSplash` the splash is ended at once (as by a click on it).
    bool start(bool endSplash = true);
    // Closes the main window (the program's shutdown) and lets the unloaded windows go.
    void quit();

    Application& app() { return *m_app; }
    AppState& state() { return m_app->state(); }
    MainFrm* main() { return m_app->mainFrm(); }
    ScriptedMessageProvider& messages() { return m_messages; }
    FakeClock& clock() { return m_clock; }

    QString appFolder() const { return m_root.path() + QStringLiteral("/app/"); }
    QString filesFolder() const { return m_root.path() + QStringLiteral("/files/"); }
    // A new folder <temp>/<name>/ (created), with its trailing "/".
    QString folder(const QString& name) const;

    // Writes `bytes` into `path` (folders created), replacing what was there.
    static void writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);
    // The lines of a text file split at CR LF.
    static QStringList readLines(const QString& path);

private:
    QTemporaryDir m_root;
    ScriptedMessageProvider m_messages;
    FakeClock m_clock;
    std::unique_ptr<Application> m_app;
};
