#include "ScreenshotTour.h"

#include "Application.h"
#include "MainFrm.h"
#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "ui/common/InProgress.h"
#include "ui/common/PickFolder.h"
#include "ui/dialogs/FrmOption.h"
#include "ui/dialogs/SplashFrm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

constexpr int SettleMs = 400;
// The sample book of scripts/screenshots.sh, with volumes and chapters.
const QString SampleBook = QStringLiteral("书.txt");

class Tour : public QObject {
public:
    Tour(Application& app, const QString& folder) : QObject(&app), m_app(app), m_folder(AddBackslash(folder)) {}

    void begin() {
        step([this] { shootSplash(); });
    }

private:
    void step(std::function<void()> next) { QTimer::singleShot(SettleMs, this, std::move(next)); }

    void save(QWidget* widget, const QString& name) {
        if (widget)
            widget->grab().save(m_folder + name + QStringLiteral(".png"));
    }
    void saveScreen(const QString& name) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            screen->grabWindow(0).save(m_folder + name + QStringLiteral(".png"));
    }

    void shootSplash() {
        if (SplashFrm* splash = m_app.splash()) {
            save(splash, QStringLiteral("1-splash"));
            splash->end();
        }
        step([this] { shootMain(); });
    }

    void shootMain() {
        MainFrm* main = m_app.mainFrm();
        // As the window opens the first time, on fresh settings.
        save(main, QStringLiteral("2-main-first"));
        saveScreen(QStringLiteral("2-main-first-screen"));
        // The size the list must keep eight rows in, as far as the screen allows.
        if (QScreen* screen = main->screen()) {
            const QRect area = screen->availableGeometry();
            main->resize(QSize(1500, 950).boundedTo(area.size() - QSize(40, 60)));
            main->move(area.topLeft() + QPoint(20, 20));
        }
        // Every file but the sample book, which the e-book dialog later reads as it was written.
        QStringList names;
        for (const FileEntry& entry : main->fileEntries()) {
            if (entry.name != SampleBook)
                names.append(entry.name);
        }
        main->selectNames(names);
        main->SetEnables();
        main->previewEntry(int(main->fileEntries().size()) - 1);
        step([this, main] {
            save(main, QStringLiteral("2-main"));
            saveScreen(QStringLiteral("2-main-screen"));
            // A large file in the batch: the window is drawn while it is at work, stop button up.
            QTimer::singleShot(SettleMs, this,
                               [this] { save(m_app.inProgress(), QStringLiteral("3-progress-running")); });
            main->runBatch(BatchCommand::Reflow);
            step([this] { shootProgress(); });
        });
    }

    void shootProgress() {
        save(m_app.inProgress(), QStringLiteral("3-progress"));
        saveScreen(QStringLiteral("3-progress-screen"));
        m_app.inProgress()->acknowledge();
        step([this] { shootTaskWindows(); });
    }

    // The task windows the main window opens, each drawn and closed again.
    void shootTaskWindows() {
        MainFrm* main = m_app.mainFrm();
        const std::pair<const char*, std::function<void()>> windows[] = {
            {"MergeFrm",
             [main] {
                 main->openMerge();
             }},
            {"RenameFrm",
             [main] {
                 main->openRename();
             }},
            {"Replace",
             [main] {
                 main->openReplace();
             }},
            {"FrmOption",
             [main] {
                 main->openOptions();
             }},
            // The backup window lists the batch of the re-flow above.
            {"BackupFrm",
             [main] {
                 main->openBackups();
             }},
            {"PreviewChangeFrm",
             [main] {
                 main->openPreview();
             }},
            {"HelpFrm",
             [main] {
                 main->openHelp();
             }},
        };
        for (std::size_t i = 0; i < std::size(windows); ++i) {
            const QString name = QString::fromLatin1(windows[i].first);
            QTimer::singleShot(int(i) * 2 * SettleMs, this, [this, name, open = windows[i].second] {
                open();
                step([this, name] {
                    for (QWidget* widget : QApplication::topLevelWidgets()) {
                        if (widget->objectName() == name && widget->isVisible()) {
                            save(widget, QStringLiteral("6-") + name);
                            // Where it lies on the screen: a dialog taller than the screen loses its buttons.
                            if (name == QStringLiteral("MergeFrm"))
                                saveScreen(QStringLiteral("6-") + name + QStringLiteral("-screen"));
                            widget->close();
                        }
                    }
                });
            });
        }
        QTimer::singleShot(int(std::size(windows)) * 2 * SettleMs + SettleMs, this, [this] { shootOptionPages(); });
    }

    QWidget* shownWindow(const QString& name) const {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == name && widget->isVisible())
                return widget;
        }
        return nullptr;
    }

    // Every page of the options dialog, then the cleanup rules' editor it opens.
    void shootOptionPages() {
        m_app.mainFrm()->openOptions();
        step([this] { shootOptionPage(0); });
    }
    void shootOptionPage(int page) {
        auto* options = qobject_cast<FrmOption*>(shownWindow(QStringLiteral("FrmOption")));
        if (!options) {
            step([this] { shootBook(); });
            return;
        }
        if (page < FrmOption::PageCount) {
            options->showTab(page + 1);
            step([this, options, page] {
                save(options, QStringLiteral("6-FrmOption-%1").arg(page + 1));
                shootOptionPage(page + 1);
            });
            return;
        }
        options->editCleanupRules();
        step([this, options] {
            if (QWidget* editor = shownWindow(QStringLiteral("CleanupRulesEditFrm"))) {
                save(editor, QStringLiteral("6-CleanupRulesEditFrm"));
                editor->close();
            }
            options->reject();
            step([this] { shootBook(); });
        });
    }

    void selectBook() {
        MainFrm* main = m_app.mainFrm();
        main->selectNames({SampleBook});
        main->SetEnables();
    }

    // The e-book dialog and the book check on the sample book ("书.txt" when the folder has one).
    void shootBook() {
        MainFrm* main = m_app.mainFrm();
        selectBook();
        main->openEpub();
        step([this, main] {
            if (QWidget* epub = shownWindow(QStringLiteral("EpubFrm"))) {
                save(epub, QStringLiteral("6-EpubFrm"));
                epub->close();
            }
            // Closing the dialog reads the folder again, which clears the selection.
            selectBook();
            main->checkBooks();
            step([this] {
                save(m_app.inProgress(), QStringLiteral("3-bookcheck"));
                m_app.inProgress()->acknowledge();
                step([this] { shootUndoQuestion(); });
            });
        });
    }

    // The question of 撤销上一批, answered No.
    void shootUndoQuestion() {
        shootModal(QStringLiteral("7-undo-question"));
        m_app.mainFrm()->findChild<QAction*>(QStringLiteral("menu_undobatch"))->trigger();
        step([this] { shootAbout(); });
    }

    void shootModal(const QString& name) {
        QTimer::singleShot(SettleMs, this, [this, name] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                save(modal, name);
                // The picker closes only through its buttons: "取消"; a question is answered No.
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (QAbstractButton* no = box ? box->button(QMessageBox::No) : nullptr)
                    no->click();
                else if (auto* cancel = modal->findChild<QWidget*>(QStringLiteral("Cmdcancel")))
                    QMetaObject::invokeMethod(cancel, "click");
                else
                    modal->close();
            }
        });
    }

    void shootAbout() {
        shootModal(QStringLiteral("4-about"));
        m_app.mainFrm()->openAbout();
        step([this] { shootPicker(); });
    }

    void shootPicker() {
        shootModal(QStringLiteral("5-picker"));
        PickFolder(m_app.state(), m_app.messages(), m_app.state().CurrentFolder, m_app.mainFrm());
        step([this] { shootWizard(); });
    }

    void shootWizard() {
        m_app.mainFrm()->openWizard();
        step([this] {
            QWidget* wizard = m_app.fastWork();
            save(wizard, QStringLiteral("6-wizard"));
            saveScreen(QStringLiteral("6-wizard-screen"));
            auto* advanced = wizard ? wizard->findChild<QPushButton*>(QStringLiteral("CmdAdv")) : nullptr;
            if (!advanced) {
                step([this] { m_app.mainFrm()->close(); });
                return;
            }
            advanced->click();
            step([this, wizard] {
                save(wizard, QStringLiteral("6-wizard-advanced"));
                wizard->close();
                step([this] { m_app.mainFrm()->close(); });
            });
        });
    }

    Application& m_app;
    QString m_folder;
};

} // namespace

void ScreenshotTour::startIfRequested(Application& application) {
    const QString folder = qEnvironmentVariable("QUILLMAR_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    (new Tour(application, folder))->begin();
}
