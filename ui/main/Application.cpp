#include "Application.h"

#include "MainFrm.h"
#include "core/AppFolder.h"
#include "core/PathHelpers.h"
#include "core/Settings.h"
#include "platform/ChineseConverter.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageBoxProvider.h"
#include "ui/common/OwnedWindow.h"
#include "ui/common/ScreenFit.h"
#include "ui/common/Twips.h"
#include "ui/dialogs/SplashFrm.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>

namespace {
// How often the settings are compared with what was last written (milliseconds).
constexpr int SettingsSaveInterval = 2000;
} // namespace

Application::Application(const Options& options)
    : m_clock(options.clock ? options.clock : &m_systemClock),
      m_ownMessages(options.messages ? nullptr : std::make_unique<MessageBoxProvider>()),
      m_messages(options.messages ? options.messages : m_ownMessages.get()), m_prompt(*m_messages),
      m_programFolder(options.programFolder), m_appFolder(options.appFolder), m_openPaths(options.openPaths) {
    registerTaskWindows(m_taskWindows);
}

Application::~Application() {
    delete m_splash;
    delete m_fastWork;
    delete m_progress;
    delete m_main;
}

MainFrm* Application::mainFrm() const {
    return m_main;
}

InProgress* Application::inProgress() const {
    return m_progress;
}

QWidget* Application::fastWork() const {
    return m_fastWork;
}

SplashFrm* Application::splash() const {
    return m_splash;
}

QString Application::secondInstanceQuestion() {
    return tr("已经有QuillMar 羽墨工坊的一个实例在运行，您想要重新运行一个新的实例吗？");
}

bool Application::otherInstanceRuns() {
    // A lock file in the settings folder: copies that share their settings files are the ones that
    // count as the same program. A copy that died leaves a lock that the next one takes over.
    m_instanceLock = std::make_unique<QLockFile>(m_appFolder + QStringLiteral(".quillmar.lock"));
    m_instanceLock->setStaleLockTime(0);
    if (m_instanceLock->tryLock(0))
        return false;
    const bool held = m_instanceLock->error() == QLockFile::LockFailedError;
    m_instanceLock.reset();
    return held;
}

bool Application::start() {
    if (m_appFolder.isEmpty())
        m_appFolder = resolveAppFolder(m_programFolder);
    m_appFolder = AddBackslash(m_appFolder);

    if (otherInstanceRuns() && !m_messages->askYesNo(nullptr, MessageProvider::appTitle(), secondInstanceQuestion()))
        return false;

    FileError lastError;
    m_state.setAppFolder(m_appFolder);
    ChineseConverter::instance().usePhraseFiles(m_state.AppFolder);
    ChineseConverter::instance().setTableCacheFolder(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));

    m_splash = new SplashFrm();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        m_splash->move(area.left() + (area.width() - m_splash->width()) / 2,
                       area.top() + int(area.height() / 2 - m_splash->height() / 1.5));
    }
    connect(m_splash, &SplashFrm::ended, this, &Application::showFirstWindow);
    m_splash->show();
    QCoreApplication::processEvents();

    m_firstStart = !QFile::exists(m_state.AppFolder + QStringLiteral("Quillmar.cfg"));
    const FileError settingsError = Settings::loadAtStartup(m_state);
    if (settingsError.isSet())
        lastError = settingsError;
    TextReader::setDecodingRules({std::nullopt, m_state.Prefs.LegacyEncoding});

    m_progress = new InProgress(m_state);
    m_prompt.setParentWindow(m_progress);
    m_env.emplace(JobEnv{m_state, *m_progress, m_prompt, *m_clock});

    m_main = new MainFrm(*this);
    connect(m_main, &MainFrm::unloading, this, &Application::shutdown);
    applyWindowSettings();
    // What was read counts as saved, with the window's state as the settings would record it; a
    // folder named on the command line is a change, written with the next save.
    const SettingsRec read = m_state.Settings;
    const Preferences readPrefs = m_state.Prefs;
    storeWindowSettings();
    m_savedSettings = settingsSnapshot();
    m_state.Settings = read;
    m_state.Prefs = readPrefs;
    if (!m_openPaths.isEmpty())
        m_main->openPaths(m_openPaths);

    if (m_taskWindows.wizard) {
        m_fastWork = m_taskWindows.wizard(*this);
        if (m_fastWork)
            m_fastWork->hide();
    }

    m_splash->startCountdown();

    m_settingsTimer = new QTimer(this);
    m_settingsTimer->setObjectName(QStringLiteral("settingsSaveTimer"));
    m_settingsTimer->setInterval(SettingsSaveInterval);
    connect(m_settingsTimer, &QTimer::timeout, this, &Application::saveSettingsIfChanged);
    m_settingsTimer->start();

    if (lastError.isSet())
        m_messages->showError(nullptr, lastError);
    return true;
}

void Application::showFirstWindow() {
    if (m_state.Settings.StartMode != 0 && m_fastWork && m_openPaths.isEmpty()) {
        OwnedWindow::showOwned(m_fastWork, nullptr);
        return;
    }
    if (m_main) {
        m_main->show();
        m_main->raise();
        m_main->activateWindow();
    }
}

void Application::applyWindowSettings() {
    const SettingsRec& settings = m_state.Settings;
    // The bounds go first and the state after them, so that a window that starts maximized or
    // minimized keeps the stored bounds as its normal ones.
    m_main->setWindowState(Qt::WindowNoState);
    QRect bounds(Twips::toPixels(settings.WinLeft), Twips::toPixels(settings.WinTop),
                 Twips::toPixels(settings.WinWidth), Twips::toPixels(settings.WinHeight));
    const QScreen* screen = QGuiApplication::screenAt(bounds.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen && m_firstStart)
        bounds = firstBounds(bounds, screen->availableGeometry());
    if (screen) {
        // The stored height is the inside's: the title bar comes on top of it.
        const int titleBar = m_main->style()->pixelMetric(QStyle::PM_TitleBarHeight);
        bounds = fitToScreen(bounds, screen->availableGeometry().adjusted(0, 0, 0, -titleBar), m_main->minimumSize());
    }
    m_main->move(bounds.topLeft());
    m_main->resize(bounds.size());
    m_main->setSplitterState(m_state.Prefs.MainSplitter);
    if (settings.WinState == 1)
        m_main->setWindowState(Qt::WindowMinimized);
    else if (settings.WinState == 2)
        m_main->setWindowState(Qt::WindowMaximized);
}

// The first start has no bounds of the user's: the window takes three quarters of the screen, centred,
// but never less than its designed size (a screen too small for more keeps the designed bounds).
QRect Application::firstBounds(const QRect& designed, const QRect& available) {
    const QSize size = designed.size().expandedTo(available.size() * 3 / 4);
    if (size == designed.size())
        return designed;
    QRect bounds(QPoint(), size);
    bounds.moveCenter(available.center());
    return bounds;
}

void Application::storeWindowSettings() {
    SettingsRec& settings = m_state.Settings;
    m_state.Prefs.MainSplitter = m_main->splitterState();
    const Qt::WindowStates windowState = m_main->windowState();
    if (windowState & Qt::WindowMinimized)
        settings.WinState = 1;
    else if (windowState & (Qt::WindowMaximized | Qt::WindowFullScreen))
        settings.WinState = 2;
    else
        settings.WinState = 0;
    if (settings.WinState != 0)
        return;
    // The window manager draws the frame, so its size is not known before the window is shown: the
    // stored width and height are those of the window's inside, the position that of its frame.
    settings.WinLeft = Twips::fromPixels(m_main->x());
    settings.WinTop = Twips::fromPixels(m_main->y());
    settings.WinWidth = Twips::fromPixels(m_main->width());
    settings.WinHeight = Twips::fromPixels(m_main->height());
}

Application::SettingsSnapshot Application::settingsSnapshot() const {
    return {m_state.Settings, m_state.Prefs,          m_state.PrefixList,
            m_state.RecentList, m_state.BackupFolder, m_state.CurrentFolder};
}

bool Application::saveSettingsIfChanged() {
    if (m_shutDown || !m_main || !isTrue(m_state.Settings.SaveStatus))
        return false;
    storeWindowSettings();
    const SettingsSnapshot now = settingsSnapshot();
    if (m_savedSettings && *m_savedSettings == now)
        return false;
    // A failed write is tried again on the next tick; the error is reported by the save at exit.
    if (Settings::saveAtShutdown(m_state, m_state.CurrentFolder).isSet())
        return false;
    m_savedSettings = settingsSnapshot();
    return true;
}

void Application::shutdown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    if (m_settingsTimer)
        m_settingsTimer->stop();

    if (isTrue(m_state.Settings.SaveStatus)) {
        storeWindowSettings();
        Settings::saveAtShutdown(m_state, m_state.CurrentFolder);
    }

    // The wizard may be the window whose closing ended the program: it goes once its handler is over.
    if (m_splash)
        m_splash->deleteLater();
    if (m_fastWork)
        m_fastWork->deleteLater();
    if (m_progress)
        m_progress->deleteLater();

    if (FileOps::exists(m_state.TempFile))
        FileOps::removeFile(m_state.TempFile);
    m_instanceLock.reset();
    emit finished();
}
