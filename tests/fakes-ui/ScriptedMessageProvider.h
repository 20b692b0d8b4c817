#pragma once

#include "ui/common/MessageProvider.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <initializer_list>

// Records every message box the windows show and answers at once: with the next queued answer,
// or, once the queue is empty, with the box's default button (OK, or Yes for a Yes/No question)
// unless setAnswerNegatively(true) makes it Cancel / No.
class ScriptedMessageProvider : public MessageProvider {
public:
    struct Shown {
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        QString title;
        QString text;
    };

    Answer show(QWidget* parent, Icon icon, Buttons buttons, const QString& title, const QString& text) override;

    void queue(std::initializer_list<Answer> answers);
    void setAnswerNegatively(bool negative) { m_negative = negative; }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QList<Answer> m_answers;
    QList<Shown> m_shown;
    bool m_negative = false;
};
