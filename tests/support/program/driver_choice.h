#pragma once
// The capture-driver choice waits for its answer as a camera starts: the
// tests answer it as the user does, once it is up.

#include <QPointer>
#include <QTimer>
#include <functional>

class TFRM_Pilote;

namespace testsupport {

// Answers the next driver choice that waits for its answer: line `line` of
// its list and a click on "Ok", or on "Annuler" for a negative line.
// `seen` is shown the dialog first. The wait is the returned timer: deleted,
// nothing is answered.
QPointer<QTimer> AnswerDriverChoice(int line, std::function<void(TFRM_Pilote&)> seen = {});

} // namespace testsupport
