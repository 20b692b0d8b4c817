#pragma once

#include <QString>

// The text file a web page becomes: ".htm" or ".html" (any letter case) replaced by ".txt",
// anything else gets ".txt" appended ("notes.txt" → "notes.txt.txt").
QString webPageOutputName(const QString& pageName);
// Index pages keep their link texts: the first five characters, lower-cased, are "index".
bool isIndexFile(const QString& name);
// "0.00" + " 秒".
QString secondsText(double seconds);
