#pragma once
// The serial traffic window's log lines.

#include <QString>

namespace Preferences {

// Appends one line to FRM_ComTrafic's Memo_Historique_Comm, first dropping
// its first line when it already holds 100, so it keeps the last 100. In text form the line is
// label + " : " + data; otherwise label + " : ", the bytes of data as
// two-digit hexadecimal (with hexData), a blank and data in double quotes.
void AddTrafficLine(bool textForm, bool hexData, const QString& label, const QString& data);

} // namespace Preferences
