#pragma once
// The one settings-file document and the mark that a load or save holds it.
//
// LoadSettings and SaveSettings hold the document for their whole run, so
// the profile routines they call read and write the same document, which is
// written once at the end of a save. A profile routine called on its own
// opens the file, works on its own document and writes it once.

#include "platform/ini_document.h"

#include <QList>
#include <QString>
#include <memory>

// The document of the running load or save; null otherwise.
extern platform::IniDocument* SettingsIni;
// True exactly while LoadSettings or SaveSettings holds SettingsIni.
extern bool SettingsIniOpen;

namespace Settings {

class SettingsFileSession {
public:
    enum class Mode {
        Hold,   // LoadSettings / SaveSettings: opens the file and publishes it
        Share,  // profile routines: the held document, else their own
    };
    explicit SettingsFileSession(Mode mode);
    ~SettingsFileSession();
    SettingsFileSession(const SettingsFileSession&) = delete;
    SettingsFileSession& operator=(const SettingsFileSession&) = delete;

    platform::IniDocument& doc() { return *doc_; }
    // True when this session opened the file itself (Hold, or Share with
    // nothing held).
    bool ownsDocument() const { return owned_ != nullptr; }
    // False when the file exists but could not be read; error() says why.
    bool readable() const { return readable_; }
    QString error() const { return error_; }

    // Writes the document when this session owns it (once); false with
    // error() when it could not be written, the file being left as it was.
    bool commit();

private:
    std::unique_ptr<platform::IniDocument> owned_;
    platform::IniDocument* doc_ = nullptr;
    bool published_ = false;
    bool readable_ = true;
    QString error_;
};

// Shows a settings-file write error; one box at a time for that cause.
// While a WriteErrorCollector lives, the error is gathered instead, for the
// save that holds it to tell once with its own.
void ReportWriteError(const QString& path, const QString& error);

class WriteErrorCollector {
public:
    struct Failure {
        QString path;
        QString error;
    };
    WriteErrorCollector();
    ~WriteErrorCollector();
    WriteErrorCollector(const WriteErrorCollector&) = delete;
    WriteErrorCollector& operator=(const WriteErrorCollector&) = delete;
    const QList<Failure>& failures() const { return failures_; }

private:
    friend void ReportWriteError(const QString& path, const QString& error);
    QList<Failure> failures_;
    WriteErrorCollector* outer_;
};

} // namespace Settings

namespace Settings {

// Notes of a load (values refused, files missing or cut short). While a
// NoteCollector lives they are gathered and shown once in the message window
// when it ends; otherwise each call shows its notes at once.
void AddLoadNotes(const QStringList& notes);

class NoteCollector {
public:
    NoteCollector();
    ~NoteCollector();
    NoteCollector(const NoteCollector&) = delete;
    NoteCollector& operator=(const NoteCollector&) = delete;

private:
    bool outermost_;
};

} // namespace Settings
