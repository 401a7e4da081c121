#pragma once
// The port lists "pports.ini" (parallel ports) and "sports.ini" (serial
// ports) of the program directory: plain text, one port name per line.

#include <QString>
#include <QStringList>

class QComboBox;

namespace Settings {

inline const QString kParallelPortList = QStringLiteral("pports.ini");
inline const QString kSerialPortList = QStringLiteral("sports.ini");

// The lines of the list (found without regard to letter case). A missing or
// unreadable file gives an empty list and a note (see AddLoadNotes).
QStringList ReadPortList(const QString& fileName);

// Replaces the combo's items by the list and selects `index` (no selection
// when it lies outside the list).
void FillPortCombo(QComboBox* combo, const QString& fileName, int index);

} // namespace Settings
