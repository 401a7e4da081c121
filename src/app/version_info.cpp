#include "app/version_info.h"

#include "app/version_table.h"

namespace VersionInfo {

const QStringList kVersionStringNames = {
    QStringLiteral("FileDescription"), QStringLiteral("CompanyName"),  QStringLiteral("FileVersion"),
    QStringLiteral("InternalName"),    QStringLiteral("LegalCopyRight"), QStringLiteral("OriginalFileName"),
    QStringLiteral("ProductName"),     QStringLiteral("ProductVersion"),
};

VersionResource ProgramVersionResource()
{
    VersionResource r;
    for (const auto& s : kBuildVersionStrings) {
        if (*s.value)
            r.append({QString::fromUtf8(s.name), QString::fromUtf8(s.value)});
    }
    return r;
}

QString LookUpVersionString(const VersionResource& resource, const QString& name)
{
    for (const auto& s : resource) {
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return s.value;
    }
    return {};
}

void ReadVersionInfo(const VersionResource& resource, QStringList& list)
{
    for (const QString& name : kVersionStringNames) {
        for (const auto& s : resource) {
            if (s.name.compare(name, Qt::CaseInsensitive) == 0) {
                list.append(s.value);
                break;
            }
        }
    }
}

QString ReleaseCaptionSuffix(const VersionResource& resource)
{
    const QString v = LookUpVersionString(resource, QStringLiteral("FileVersion"));
    return v.isEmpty() ? QStringLiteral(" (Release)") : QStringLiteral(" (Release ") + v + QLatin1Char(')');
}

} // namespace VersionInfo
