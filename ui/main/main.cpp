// quillmar: the desktop program.

#include "Application.h"
#include "FaceTranslation.h"
#include "ScreenshotTour.h"
#include "core/Version.h"
#include "platform/FileName.h"
#include "ui/common/Icons.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

const char Usage[] = "Usage: quillmar [FILE|FOLDER]...\n"
                     "Opens the desktop program. A FOLDER is opened; FILEs open the folder of the first one\n"
                     "with every named file of that folder selected. quillmar-cli runs the same batches\n"
                     "from a terminal.\n";

// --help and --version, answered before the application exists, so that they need no display.
// -1: neither was asked; otherwise the exit status.
int answerInfoOptions(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n%s\n", qPrintable(Version::versionText()), qPrintable(Version::revisionText()));
            return 0;
        }
    }
    return -1;
}

// The files and folders to open, each name with its own bytes, once Qt has taken its own options
// (-platform, -style ...) out of argv; a word that begins with "-" is an option up to "--". False
// for an option the program does not know.
bool readPaths(int argc, char** argv, QStringList* paths) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (options && std::strcmp(word, "--") == 0) {
            options = false;
        } else if (options && word[0] == '-' && word[1] != '\0') {
            std::fprintf(stderr, "quillmar: unknown option %s\n%s", word, Usage);
            return false;
        } else {
            paths->append(FileName::decode(QByteArrayView(word)));
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = answerInfoOptions(argc, argv); status >= 0)
        return status;
    QApplication qtApplication(argc, argv);
    QStringList paths;
    if (!readPaths(argc, argv, &paths))
        return 2;
    QApplication::setDesktopFileName(QStringLiteral("quillmar"));
    // The program's name for the window system and for Qt's own per-user folders.
    QApplication::setApplicationName(QStringLiteral("quillmar"));
    QApplication::setWindowIcon(Icons::program());
    FaceTranslation::install(qtApplication);
    // The program ends with the main window's shutdown, not with its last visible window: the main
    // window is hidden while the wizard runs first.
    QApplication::setQuitOnLastWindowClosed(false);

    Application::Options options;
    options.programFolder = FileName::programFolder(QApplication::applicationDirPath());
    options.openPaths = paths;
    Application application(options);
    if (!application.start())
        return 0;
    QObject::connect(&application, &Application::finished, &qtApplication, &QApplication::quit, Qt::QueuedConnection);
    ScreenshotTour::startIfRequested(application);
    return QApplication::exec();
}
