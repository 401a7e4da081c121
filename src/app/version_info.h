#pragma once
// The program's version strings. The build generates them from the project
// version (version_table.h); the caption and the About box read them here.

#include <QList>
#include <QString>
#include <QStringList>

namespace VersionInfo {

// The eight version-string names, in their fixed order.
extern const QStringList kVersionStringNames;

struct VersionString {
    QString name;
    QString value;
};
// The strings a program carries; a name that is absent is a missing string.
using VersionResource = QList<VersionString>;

// The strings this build carries (empty values left out).
VersionResource ProgramVersionResource();

// Appends to `list`, in the order of the names, the value of each string the
// resource holds; a missing string adds no line, so later values move up.
void ReadVersionInfo(const VersionResource& resource, QStringList& list);

// The value of one string looked up by name; empty when missing.
QString LookUpVersionString(const VersionResource& resource, const QString& name);

// " (Release " + FileVersion + ")", or " (Release)" without a file version.
QString ReleaseCaptionSuffix(const VersionResource& resource);

} // namespace VersionInfo
