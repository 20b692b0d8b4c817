// quillmar: the desktop program.

#include "Application.h"
#include "FaceTranslation.h"
#include "ScreenshotTour.h"
#include "ui/common/Icons.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    // Also names the per-user data folder that holds the settings of an installed program.
    QApplication::setApplicationName(QStringLiteral("quillmar"));
    QApplication::setWindowIcon(Icons::program());
    FaceTranslation::install(qtApplication);
    // The program ends with the main window's shutdown, not with its last visible window: the main
    // window is hidden while the wizard runs first.
    QApplication::setQuitOnLastWindowClosed(false);

    Application::Options options;
    options.programFolder = QApplication::applicationDirPath();
    Application application(options);
    if (!application.start())
        return 0;
    QObject::connect(&application, &Application::finished, &qtApplication, &QApplication::quit, Qt::QueuedConnection);
    ScreenshotTour::startIfRequested(application);
    return QApplication::exec();
}
