#pragma once
// Reading the fields of a command's arguments, shared by every command
// family: fields are split at "," outside double quotes and counted from 1;
// keyword values are compared as written (case matters); value fields are
// trimmed and evaluated with EvalOperand.

#include <QString>

#include <cstdint>
#include <initializer_list>

class QAbstractButton;

namespace Scripts {

// Field n (from 1) of the arguments, as written.
QString CommandField(const QString& arguments, int n);

// Evaluates text (trimmed) as wantedType into result. False when the
// evaluator has already reported an error and stopped the script: the
// command then does nothing more. An operand of another type leaves result
// empty.
bool EvalField(const QString& text, int wantedType, QString& result);

// The file or folder a command about to open names, as it is on disk: the
// text itself when it exists, else the entry found one component at a time
// without regard to letter case (a relative name from the program
// directory), else the text unchanged. Lines sent by other programs arrive
// lower-cased whole, so "/data/Nuit/M42.bmp" comes as "/data/nuit/m42.bmp".
// Only for entries that must already exist: names of files to be written are
// used as written.
QString ExistingPath(const QString& written);

// The name of a file a command will write, its folder as it is on disk:
// the text itself when its folder exists as written, else with the folder
// found without regard to letter case (the file's own name stays as
// written). Lines sent by other programs arrive lower-cased whole, so the
// prefix "/data/Nuit/M42_" comes as "/data/nuit/m42_" and is saved under
// /data/Nuit. A folder that exists in no letter case leaves the text as it
// is: the write then fails and tells it.
QString NewFilePath(const QString& written);

// An integer value field: false after a reported error, else value is the
// evaluated integer or fallback when it is none. converted (optional) tells
// whether the text was an integer.
bool EvalIntField(const QString& text, std::int32_t fallback, std::int32_t& value, bool* converted = nullptr);

// A camera field: 1 or 2, else the script error "Cam = <field>, (0 < Cam < 3)"
// and 0.
int CameraField(const QString& field);

// The end of a statement that succeeded: the next one 50 ms later.
void CommandDone();

// One keyword of a command that picks a radio button: the button the user
// would click and the name its click handler is registered under.
struct RadioChoice {
    const char* word;
    QAbstractButton* button;
    const char* handler;
};
// Checks the button of the keyword the arguments name and runs its click
// handler by name, then goes on; any other keyword is a script error.
void ChooseRadio(const QString& arguments, std::initializer_list<RadioChoice> choices);

} // namespace Scripts

namespace Scripts {
// The file name image.name and image.name.savedialog set and image.save
// uses; it keeps its value across statements and runs.
extern QString ScriptImageName;
} // namespace Scripts
