#pragma once

#include <QString>
#include <QStringView>

// Chinese punctuation for the half-width marks that stand next to Chinese text: , . ; : ! ? ( ) become
// ，。；：！？（）, "..." "。。。" and a lone "…" become "……", "--" and a lone "—" between Chinese become
// "——". A mark inside Latin words, numbers (3.14, 1,000), times (12:30), URLs, e-mail addresses and
// file names stays: a mark is Chinese only when the character before it is Chinese writing (straight
// quotes looked through), or, for , ; : ! ? and (, the character right after it is. One space after a
// converted mark goes: the full-width mark holds its own space.
void fixPunctuation(QStringView line, QString& out);

// A space between a Han character and a Latin letter, either way round, where there is none. Digits
// get none: the stray-space removal joins Han and digits, and the two must not undo each other.
void addLatinSpaces(QStringView line, QString& out);
