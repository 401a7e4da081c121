#pragma once
// Read-outs: the line edits the program writes numbers and texts into (the
// read-only ones and those of the table in readouts.cpp).
//
// A text the program sets into a read-out shows from its first character,
// its sign included, not from its tail; and each read-out of the table is at
// least wide enough for the widest value it shows (its sample), whatever the
// layout around it would leave it.

#include <QString>

class QLineEdit;
class QWidget;

namespace app {

struct ReadoutWidth {
    const char* window;   // the window's objectName (FRM_...)
    const char* control;  // the line edit's or numeric input's objectName
    const char* widest;   // the widest text it shows, UTF-8
};

// Every read-out of the program with the widest text it shows.
const ReadoutWidth* ReadoutWidths(int& count);

// The width the line edit needs to show the text whole, frame included.
int WidthToShow(const QLineEdit* edit, const QString& text);

// Called once for each window when it is created.
void KeepReadoutsWhole(QWidget* window);

} // namespace app
