#include "ScriptedMessageProvider.h"

MessageProvider::Answer ScriptedMessageProvider::show(QWidget*, Icon icon, Buttons buttons, const QString& title,
                                                      const QString& text) {
    m_shown.append({icon, buttons, title, text});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return m_negative ? Answer::Cancel : Answer::Ok;
    case Buttons::YesNo:
        break;
    }
    return m_negative ? Answer::No : Answer::Yes;
}

void ScriptedMessageProvider::queue(std::initializer_list<Answer> answers) {
    m_answers.append(QList<Answer>(answers));
}

QStringList ScriptedMessageProvider::texts() const {
    QStringList result;
    for (const Shown& shown : m_shown)
        result.append(shown.text);
    return result;
}
