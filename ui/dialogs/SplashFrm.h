#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

// The splash window shown while the program starts: a borderless picture with the version. It ends
// at the first tick of Timer1 (3000 ms, started by start-up) or the first click on it, whichever
// comes first: it emits ended() once and closes (deleting itself).
class SplashFrm : public QWidget {
    Q_OBJECT
public:
    explicit SplashFrm(QWidget* parent = nullptr);

    // Starts Timer1: the splash ends at its first tick unless a click ends it before.
    void startCountdown();
    // Ends the splash; calls after the first do nothing.
    void end();

signals:
    // The splash is over: the first window of the program is to be shown.
    void ended();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFrame* Frame1;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Image3;
    QLabel* Label1;
    QLabel* LabelCall;
    QLabel* LabelStatus;
    QLabel* LabelVersion;
    QLabel* LabelBuild;
    QLabel* LabelCompany;
    QLabel* LabelCopyRight;
    QLabel* LabelRights;
    QTimer* Timer1;

    bool m_ended = false;
};
