#pragma once

#include <QDialog>
#include <QUrl>

class QPushButton;
class QTextBrowser;

// The manual shipped with the program ("羽墨工坊帮助", F1): its page in the face's language
// (Simplified, or Traditional where the Taiwan face is installed) in a browser of its own
// (TextManual), with links inside the page followed in place. Not modal; one window serves every
// request.
class HelpFrm : public QDialog {
    Q_OBJECT
public:
    explicit HelpFrm(QWidget* parent = nullptr);

    // The manual's page for the face in use.
    static QUrl manualPage();
    QUrl shownPage() const;

private:
    QTextBrowser* TextManual;
    QPushButton* CmdClose;
};
