#pragma once

#include "core/Prompt.h"

// Answers the overwrite questions of the command line: always Yes (--yes), always No (--no), or
// asks on the terminal when standard input is one and answers No otherwise.
class CliPrompt : public Prompt {
public:
    enum class Mode { Ask, AlwaysYes, AlwaysNo };
    explicit CliPrompt(Mode mode) : m_mode(mode) {}

    bool askYesNo(const QString& title, const QString& text) override;

private:
    Mode m_mode;
};
