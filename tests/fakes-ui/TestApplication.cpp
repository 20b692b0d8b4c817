#include "TestApplication.h"

#include "ui/dialogs/SplashFrm.h"
#include "ui/main/MainFrm.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>

TestApplication::TestApplication(bool openFilesFolder) {
    QDir().mkpath(appFolder());
    QDir().mkpath(filesFolder());
    Application::Options options;
    options.programFolder = appFolder();
    options.appFolder = appFolder();
    options.messages = &m_messages;
    options.clock = &m_clock;
    if (openFilesFolder)
        options.openPaths = {filesFolder()};
    m_app = std::make_unique<Application>(options);
}

TestApplication::~TestApplication() {
    m_app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool TestApplication::start(bool endSplash) {
    if (!m_app->start())
        return false;
    if (endSplash && m_app->splash())
        m_app->splash()->end();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}

void TestApplication::quit() {
    if (main())
        main()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString TestApplication::folder(const QString& name) const {
    const QString path = m_root.path() + u'/' + name + u'/';
    QDir().mkpath(path);
    return path;
}

void TestApplication::writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray TestApplication::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QStringList TestApplication::readLines(const QString& path) {
    QString text = QString::fromUtf8(readFile(path));
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}
