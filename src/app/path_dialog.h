#pragma once
// Folder chooser used by the folder buttons of the Preferences dialog. It
// goes through the dialog service, so tests script the user's answer.

#include <QString>
#include <functional>

// The browser's root. Kept for the settings and callers that name it; our
// folder dialog has a single root.
enum class TRootItem { riMyComputer, riDesktop };

class TPathDialog {
public:
    // The text above the tree; empty, the program's own title, taken in the
    // chosen language each time the dialog opens.
    QString Title;
    bool ShowStatus = false;
    QString StatusText;
    TRootItem RootItem = TRootItem::riMyComputer;
    int Tag = 0;
    // Called just before the dialog opens.
    std::function<void(TPathDialog&)> OnShow;
    // Called with the folder the user chose.
    std::function<void(TPathDialog&, const QString& path)> OnSelect;

    // The folder chosen, or to open in.
    const QString& Directory() const { return directory_; }
    // Stores the folder without one trailing "\" or "/", but a root ("/",
    // "C:\") is kept whole; an empty value stores the current directory.
    void SetDirectory(const QString& dir);

    // Opens the folder dialog on Directory. A choice is stored in Directory
    // and gives true; cancel gives false and leaves Directory as it was.
    bool Execute();

private:
    QString directory_;
};
