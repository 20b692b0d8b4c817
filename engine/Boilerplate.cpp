#include "Boilerplate.h"

bool Boilerplate::keepsLine(QString& line, int* fragments, bool nearEdge) const {
    if (nearEdge && !learned.isEmpty() && learned.contains(CleanupText::letters(line)) && !CleanupText::isChapterLine(line))
        return false;
    if (rules.removesLine(line))
        return false;
    const int taken = rules.removeFragments(line);
    if (fragments)
        *fragments += taken;
    // A line that held nothing but fragments goes with them.
    return taken == 0 || !CleanupText::letters(line).isEmpty();
}
