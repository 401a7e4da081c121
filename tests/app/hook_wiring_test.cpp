// A feature whose hook or callback only a test assigns passes its tests while
// the program never connects it. Every callback declared in the sources
// (std::function members and variables) that a test assigns must also be
// assigned by the program's own code; the optional events of reusable
// components, which their users may leave empty, are listed below.

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// Events a component offers to whoever uses it; left empty, it does nothing.
const QSet<QString>& OptionalEvents()
{
    static const QSet<QString> names = {
        QStringLiteral("OnShow"),     // folder dialog: before it opens
        QStringLiteral("OnSelect"),   // folder dialog: after a choice
    };
    return names;
}

QStringList filesUnder(const QString& root)
{
    QStringList files;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Whether one line of `texts` assigns `name` (not a comparison, not its
// declaration).
bool assigns(const QStringList& texts, const QString& name)
{
    const QRegularExpression assignment(QStringLiteral("(?<![\\w])") + name + QStringLiteral("\\s*=(?!=)"));
    for (const QString& text : texts) {
        for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
            if (line.contains(QLatin1String("std::function")))
                continue;
            if (assignment.match(line).hasMatch())
                return true;
        }
    }
    return false;
}

} // namespace

TEST(HookWiring, EveryCallbackATestAssignsIsAssignedByTheProgram)
{
    QStringList program;
    QSet<QString> callbacks;
    const QRegularExpression declaration(
        QStringLiteral("std::function<[^;{]*>\\s+(\\w+)\\s*(?:;|=\\s*nullptr\\s*;|\\{\\}\\s*;)"));
    for (const QString& path : filesUnder(QStringLiteral(NJ_SOURCE_DIR "/src"))) {
        program << readAll(path);
        if (path.endsWith(QLatin1String(".h"))) {
            auto it = declaration.globalMatch(program.last());
            while (it.hasNext())
                callbacks.insert(it.next().captured(1));
        }
    }
    QStringList tests;
    for (const QString& path : filesUnder(QStringLiteral(NJ_SOURCE_DIR "/tests")))
        tests << readAll(path);
    ASSERT_GT(callbacks.size(), 10) << "the callbacks were not found in the sources";

    QStringList onlyTests;
    for (const QString& name : callbacks) {
        if (OptionalEvents().contains(name))
            continue;
        if (assigns(tests, name) && !assigns(program, name))
            onlyTests << name;
    }
    onlyTests.sort();
    EXPECT_TRUE(onlyTests.isEmpty()) << "assigned only by tests: " << onlyTests.join(QStringLiteral(", ")).toStdString();
    for (const QString& name : OptionalEvents())
        EXPECT_TRUE(callbacks.contains(name)) << "no longer declared, drop from the list: " << name.toStdString();
}
