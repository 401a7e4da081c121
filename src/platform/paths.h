#pragma once
// The program directory and the one way of building paths.
//
// Stored paths (settings, scripts, the program's own constants) use Windows
// "\" separators; every function here accepts both "\" and "/" and returns
// "/" paths. Data files are looked up without regard to letter case, since
// names in stored files and on disk often differ in case only.

#include <QString>

namespace platform {

// The program directory: the current directory at start-up (not the folder
// of the executable). Every settings, data, plug-in and help path is built
// from it. Stored with "/" separators and without a trailing one (except "/").
QString programDir();
void setProgramDir(const QString& dir);
// Sets the program directory to the process's current directory.
void initProgramDirFromCurrentDir();

// Joins a folder and a name with exactly one separator: one is inserted
// exactly when the folder does not already end in one, and the name's
// leading separators are dropped. "/" + "x" = "/x", "" + "x" = "x",
// "a" + "" = "a/". Both "\" and "/" are accepted; the result uses "/".
QString joinPath(const QString& dir, const QString& name);

// A stored Windows-style path as a local one: "\" becomes "/"
// ("Scripts\a.script" -> "Scripts/a.script", "\drivers" -> "/drivers").
QString fromStoredPath(const QString& text);

// The real path of `name` in `folder`, found without regard to letter case
// ("nite_Red.ini" when asked for "Nite_red.ini"); an exact match wins.
// `name` may hold several components. Empty when there is no such entry.
QString findFileNoCase(const QString& folder, const QString& name);

// Resolves a stored path, relative ones against programDir(). Each component
// that does not exist as written is looked up without regard to letter case.
// When something is missing, the part found is kept and the rest is
// appended as written, so the result can also name a file to be created.
QString resolveDataFile(const QString& relativeOrAbsolute);

} // namespace platform
