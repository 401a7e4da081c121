#pragma once
// Where command families plug into the script engine. A family lives in its
// own subsystem's folder and registers its keywords there, once, at program
// start:
//
//   // capture/script_camera_commands.cpp
//   #include "scripting/script_commands.h"
//   namespace {
//   void CmdCamera(std::uint8_t pass, const QString& arguments) { ... }
//   const Scripts::CommandRegistrar registrar{
//       {"camera", CmdCamera},
//       {"camera.mode", CmdCameraMode},
//   };
//   }
//
// A handler receives the pass and the text between the parentheses as
// written. It ends a successful statement with exactly one ScriptNext(delay),
// reports a failure with ScriptError (and no ScriptNext), or waits through the
// resume protocol (scripts.h). It may throw Scripts::ScriptFault (or any
// exception) for a conversion or arithmetic fault: the engine shows it and
// halts the script.
//
// Keywords are matched in lower case and exactly. A registered keyword always
// wins over a variable of the same name. The language's own statements are
// registered by the engine; a keyword can be registered only once.

#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>

namespace Scripts {

using CommandHandler = std::function<void(std::uint8_t pass, const QString& arguments)>;

// Adds a keyword (lower-cased). False, with a warning, when the keyword is
// empty or already registered (the first registration stays).
bool RegisterCommand(const QString& keyword, CommandHandler handler);
// The handler of a keyword, or nullptr.
const CommandHandler* FindCommand(const QString& keyword);

// Registers a family from a static object of the family's source file.
struct CommandRegistrar {
    CommandRegistrar(std::initializer_list<std::pair<const char*, CommandHandler>> commands);
};

} // namespace Scripts
