#pragma once
// Catalogue look-ups by text, for the object picker, the hand pad's goto and
// sync and the main window's goto-object command. Results are radians; 99
// in both when nothing was found.

#include <QString>

namespace Recherche {

struct Found {
    double ra = 99;
    double dec = 99;
    bool found() const { return ra != 99 && dec != 99; }
};

// "SAO" followed by the number (characters 4 to 9, blanks ignored), as the
// picker lists it ("SAO 67174 /  3Alp Lyr"). The chart is redrawn when the
// star is found.
Found FindSaoStar(const QString& text);
// A deep-sky name or other name ("M42", "NGC1976"), compared without regard
// to case as a whole "/"-separated part; the text before a "/" is used.
Found FindDeepSkyObject(const QString& text);
// The first star whose name contains the text, case and runs of blanks
// ignored ("alp   CMA").
Found FindStarByName(const QString& text);

} // namespace Recherche
