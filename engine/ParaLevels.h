#pragma once

#include <QString>

// The named levels of paragraph reflowing, as the level sliders show them (slider position =
// level). Only level 0 has a behaviour of its own; the others reflow as level 0 does.
struct ParaLevelText {
    QString shortName;   // the slider's grade label
    QString heading;     // "Level 0 [激进的]"
    QString description; // what the level does, one sentence or two

    // The slider's detail label: the heading, a line break, the description.
    QString detail() const;
};

inline constexpr int ParaLevelCount = 4;

// The texts of `level` (0 to 3); a level out of range gives those of level 0.
const ParaLevelText& paraLevelText(int level);
// The same texts in the language of the windows (the installed translation, if any).
ParaLevelText paraLevelFace(int level);
