#pragma once

#include "core/Prompt.h"

#include <QPointer>
#include <QWidget>

class MessageProvider;

// The engine's questions (overwrite a file?) asked through the windows' message provider, over
// the window set with setParentWindow() (the progress window while a batch runs).
class MessagePrompt : public Prompt {
public:
    explicit MessagePrompt(MessageProvider& messages, QWidget* parentWindow = nullptr)
        : m_messages(messages), m_parent(parentWindow) {}

    void setParentWindow(QWidget* window) { m_parent = window; }
    bool askYesNo(const QString& title, const QString& text) override;

private:
    MessageProvider& m_messages;
    QPointer<QWidget> m_parent;
};
