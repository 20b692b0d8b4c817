#include "MessagePrompt.h"

#include "MessageProvider.h"

bool MessagePrompt::askYesNo(const QString& title, const QString& text) {
    return m_messages.askYesNo(m_parent, title, text);
}
