#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

namespace platform {
namespace {

QMutex g_mutex;
QString g_programDir;

bool isSep(QChar c) { return c == u'/' || c == u'\\'; }

// Removes trailing separators, keeping a lone root "/".
QString withoutTrailingSep(QString dir)
{
    while (dir.size() > 1 && dir.endsWith(u'/'))
        dir.chop(1);
    return dir;
}

// The entry of `folder` named `name`: exact if it exists, else the first
// (in name order) that differs in letter case only. Empty when none.
QString matchEntry(const QString& folder, const QString& name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return name;
    const QString exact = joinPath(folder, name);
    if (QFileInfo::exists(exact))
        return name;
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& e : entries) {
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return e;
    }
    return {};
}

// Walks `components` from `base`, matching each without regard to case.
// Returns the resolved path; *complete says whether every component exists.
QString walk(const QString& base, const QStringList& components, bool* complete)
{
    QString path = base;
    *complete = true;
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString& c = components[i];
        const QString real = *complete ? matchEntry(path, c) : QString();
        if (real.isEmpty() && !c.isEmpty())
            *complete = false;
        const QString part = real.isEmpty() ? c : real;
        path = path.isEmpty() ? part : joinPath(path, part);
    }
    return path;
}

QStringList components(const QString& local)
{
    return local.split(u'/', Qt::SkipEmptyParts);
}

} // namespace

QString programDir()
{
    QMutexLocker lock(&g_mutex);
    return g_programDir;
}

void setProgramDir(const QString& dir)
{
    const QString d = withoutTrailingSep(fromStoredPath(dir));
    QMutexLocker lock(&g_mutex);
    g_programDir = d;
}

void initProgramDirFromCurrentDir() { setProgramDir(QDir::currentPath()); }

QString joinPath(const QString& dir, const QString& name)
{
    qsizetype skip = 0;
    while (skip < name.size() && isSep(name[skip]))
        ++skip;
    QString out = fromStoredPath(dir);
    if (!out.isEmpty() && !out.endsWith(u'/'))
        out += u'/';
    out += fromStoredPath(name.mid(skip));
    return out;
}

QString fromStoredPath(const QString& text)
{
    QString out = text;
    out.replace(u'\\', u'/');
    return out;
}

QString findFileNoCase(const QString& folder, const QString& name)
{
    bool complete = false;
    const QString dir = fromStoredPath(folder);
    const QString path = walk(dir, components(fromStoredPath(name)), &complete);
    if (!complete || path == dir)
        return {};
    return path;
}

QString resolveDataFile(const QString& relativeOrAbsolute)
{
    const QString local = fromStoredPath(relativeOrAbsolute);
    const bool absolute = local.startsWith(u'/');
    const QString base = absolute ? QStringLiteral("/") : programDir();
    if (QFileInfo::exists(joinPath(base, local)))
        return joinPath(base, local);
    bool complete = false;
    const QString path = walk(base, components(local), &complete);
    if (local.endsWith(u'/') && !path.endsWith(u'/'))
        return path + u'/';
    return path;
}

} // namespace platform
