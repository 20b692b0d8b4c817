#pragma once

#include "MessageProvider.h"

// The program's message boxes: a modal QMessageBox over `parent`.
class MessageBoxProvider : public MessageProvider {
public:
    Answer show(QWidget* parent, Icon icon, Buttons buttons, const QString& title, const QString& text) override;
};
