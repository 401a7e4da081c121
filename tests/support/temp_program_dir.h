#pragma once
// A private temporary folder that is the program directory and the current
// directory while the fixture lives; both are restored afterwards.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>

namespace testsupport {

class TempProgramDir {
public:
    TempProgramDir();
    ~TempProgramDir();
    TempProgramDir(const TempProgramDir&) = delete;
    TempProgramDir& operator=(const TempProgramDir&) = delete;

    // The folder, "/" separated, without a trailing separator.
    QString path() const { return path_; }
    // `name` (may hold "/" or "\" and sub-folders) inside the folder.
    QString filePath(const QString& name) const;
    // Writes bytes to `name`, creating its sub-folders; fails the test on error.
    void writeFile(const QString& name, const QByteArray& bytes) const;
    // Copies the files of the shipped program directory named (the
    // language files, the settings a newcomer starts with); fails the test
    // when one cannot be read.
    void copyShipped(std::initializer_list<const char*> names) const;
    // The bytes of `name`; empty when it cannot be read.
    QByteArray readFile(const QString& name) const;
    bool exists(const QString& name) const;

private:
    QTemporaryDir dir_;
    QString path_;
    QString oldProgramDir_;
    QString oldCurrentDir_;
};

} // namespace testsupport
