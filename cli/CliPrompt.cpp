#include "CliPrompt.h"

#include <cstdio>
#include <unistd.h>

bool CliPrompt::askYesNo(const QString& title, const QString& text) {
    if (m_mode != Mode::Ask)
        return m_mode == Mode::AlwaysYes;
    if (!::isatty(STDIN_FILENO))
        return false;
    const QByteArray question = (title + QStringLiteral(": ") + text + QStringLiteral(" [y/N] ")).toUtf8();
    std::fputs(question.constData(), stderr);
    std::fflush(stderr);
    char answer[64] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}
