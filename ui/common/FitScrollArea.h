#pragma once

#include <QScrollArea>

// A frameless scroll area around a window's controls that asks for the whole size of what it holds
// (a plain QScrollArea caps its wish at a few dozen lines) yet lets the window shrink below it: on a
// screen too small for the window, the controls scroll and the buttons outside stay in view.
class FitScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit FitScrollArea(QWidget* content, QWidget* parent = nullptr);

    QSize sizeHint() const override;
};
