#include "Boilerplate.h"

bool Boilerplate::keepsLine(QString& line, int* fragments, bool nearEdge) const {
    if (nearEdge && !learned.isEmpty() && learned.contains(CleanupText::letters(line)) && !CleanupText::isChapterLine(line))
        return false;
    int taken = 0;
    if (rules.removesLineOrFragments(line, &taken))
        return false;
    if (fragments)
        *fragments += taken;
    // A line that held nothing but fragments goes with them.
    return taken == 0 || CleanupText::hasLetters(line);
}
