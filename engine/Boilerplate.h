#pragma once

#include "CleanupRules.h"

#include <QSet>
#include <QString>

// What `clean` takes out of a batch's files: the rule files' rules and the lines learned from the batch
// (BoilerplateLearner, by CleanupText::letters). Shared read-only by the files cleaned at once.
struct Boilerplate {
    CleanupRules rules;
    QSet<QString> learned;

    // False when `line` (without its end) goes whole: a rule removes it or, `nearEdge` (among the
    // first or last BoilerplateLearner::EdgeLines of its file, where the learner found such lines), it
    // is a learned line, and it is no chapter heading, or it held nothing but fragments. Otherwise its
    // fragments are taken out in place; `fragments` counts them.
    bool keepsLine(QString& line, int* fragments, bool nearEdge = true) const;
};
