#pragma once

#include "core/Prompt.h"

#include <QList>
#include <QString>
#include <initializer_list>

// Answers Yes/No questions from a queue of scripted answers (the default answer once the queue is
// empty) and records every question it was asked.
class ScriptedPrompt : public Prompt {
public:
    struct Question {
        QString title;
        QString text;
    };

    explicit ScriptedPrompt(bool defaultAnswer = false) : m_defaultAnswer(defaultAnswer) {}

    void queue(std::initializer_list<bool> answers) { m_answers.append(QList<bool>(answers)); }
    void setDefaultAnswer(bool answer) { m_defaultAnswer = answer; }

    bool askYesNo(const QString& title, const QString& text) override {
        m_asked.append({title, text});
        return m_answers.isEmpty() ? m_defaultAnswer : m_answers.takeFirst();
    }

    const QList<Question>& asked() const { return m_asked; }

private:
    QList<bool> m_answers;
    QList<Question> m_asked;
    bool m_defaultAnswer;
};
