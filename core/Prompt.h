#pragma once

#include <QString>

// Yes/No questions asked during a batch: a message box in the windows, flags or the terminal on
// the command line, scripted answers in tests.
class Prompt {
public:
    virtual ~Prompt() = default;
    // A question box with the question icon; true for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
};
