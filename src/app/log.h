#pragma once
// Text log of one line per event, fields separated by ";", with an optional
// leading time column: the debug log, the guiding log, the FWHM log and the
// script log. The file is CP1252 with CRLF line ends; every line is handed to
// the system as soon as it is written, so a crash loses nothing.

#include <QDateTime>
#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

// The time column written before each line.
enum class LogTimeMode : std::uint8_t {
    None = 0,            // the line is the text alone
    FromMidnight = 1,    // milliseconds since midnight
    DateTime = 2,        // "dd/MM/yyyy HH:mm:ss.zzz"
    FromStart = 3,       // milliseconds since the log was created
    FromLast = 4,        // milliseconds since the previous line
};

class TLog {
public:
    // Creates (truncates) the file and writes the header line: the mode's
    // column title followed by Header, when that is not empty. A relative
    // name resolves against the current directory. When the file cannot be
    // created the user is told and no log results (null), so the owner can
    // switch its logging off.
    static std::unique_ptr<TLog> Create(const QString& fileName, LogTimeMode mode,
                                        const QString& header = {});

    // Destroys the log, closing the file; Log is empty afterwards.
    static void Close(std::unique_ptr<TLog>& log) { log.reset(); }

    ~TLog();
    TLog(const TLog&) = delete;
    TLog& operator=(const TLog&) = delete;

    // Writes one line: the time column, ";" and Text (mode None: Text alone).
    // A write error loses the line; the log stays open.
    void Add(const QString& text);

    const QString& fileName() const { return file_name_; }
    LogTimeMode mode() const { return mode_; }

private:
    TLog(const QString& fileName, LogTimeMode mode);
    void writeLine(const QString& line);
    QString timeColumn(const QDateTime& now);

    QString file_name_;
    LogTimeMode mode_;
    QDateTime start_;
    QDateTime last_;
    QFile file_;
};
