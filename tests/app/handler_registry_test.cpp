// Every handler one window calls in another by name must exist once all the
// windows are made and the main window has been activated. The names are read
// from the sources: literal names handed to Settings::RunHandler, qualified
// names in files that run handlers from their own tables, and the handlers of
// the settings key table. Names whose window is still to be built are listed
// below, so that a new call to a misspelt or forgotten name fails at once.

#include "app/settings.h"
#include "app/settings/key_table.h"
#include "scripting/script_commands.h"
#include "program_windows_fixture.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

// Called by name, owned by windows that are not built yet.
const QSet<QString>& Pending()
{
    static const QSet<QString> names = {
#include "handler_registry_pending.inc"
    };
    return names;
}

// Dotted texts that are not handler names: causes of message boxes, keys.
const QSet<QString>& NotHandlers()
{
    static const QSet<QString> names = {QStringLiteral("Settings.Save"), QStringLiteral("Profiles.Name"),
                                        QStringLiteral("CKB_Assist_Vocal.Checked")};
    return names;
}

bool LooksLikeFileName(const QString& name)
{
    static const QSet<QString> extensions = {
        QStringLiteral("ini"), QStringLiteral("txt"), QStringLiteral("bmp"), QStringLiteral("jpg"),
        QStringLiteral("jpeg"), QStringLiteral("png"), QStringLiteral("tif"), QStringLiteral("tiff"),
        QStringLiteral("dat"), QStringLiteral("wav"), QStringLiteral("chm"), QStringLiteral("avi"),
        QStringLiteral("crv"), QStringLiteral("flt"), QStringLiteral("par"), QStringLiteral("log"),
        QStringLiteral("one"), QStringLiteral("so"), QStringLiteral("map"), QStringLiteral("dde"),
        QStringLiteral("hlp"), QStringLiteral("emf"), QStringLiteral("wmf"), QStringLiteral("ico"),
        QStringLiteral("csv"), QStringLiteral("mos"), QStringLiteral("kscat"), QStringLiteral("h"),
        QStringLiteral("cpp")};
    return extensions.contains(name.section(u'.', -1).toLower());
}

// Qualified names ("Window.Handler") the program's sources call by name.
QSet<QString> CalledNames()
{
    static const QRegularExpression literalCall(
        QStringLiteral(R"re(Run(?:Command)?Handler\(\s*(?:QStringLiteral\(\s*)?u?"([^"]+)")re"));
    // A name kept in a table entry or a constant: {"MNU_X", "FRM_Alv.MNU_XClick"}, k = QStringLiteral("...").
    static const QRegularExpression qualified(QStringLiteral(
        R"re([{,=]\s*(?:QStringLiteral\(\s*)?"([A-Za-z][A-Za-z0-9_]*\.[A-Za-z_][A-Za-z0-9_]*)")re"));
    QSet<QString> names;
    QDirIterator it(QStringLiteral(NJ_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String("/settings/handlers.cpp")) || path.endsWith(QLatin1String("/settings/key_table.cpp")))
            continue;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        // Script commands run their action's handler through the engine.
        if (!text.contains(QLatin1String("RunHandler(")) && !text.contains(QLatin1String("RunCommandHandler(")))
            continue;
        for (const auto& m : literalCall.globalMatch(text))
            if (!m.captured(1).endsWith(u'.'))   // the start of a name made at run time
                names.insert(m.captured(1));
        // A file that runs handlers from names it keeps in tables or constants.
        static const QRegularExpression variableCall(QStringLiteral(R"(RunHandler\(\s*[A-Za-z_])"));
        if (!text.contains(variableCall))
            continue;
        for (const auto& m : qualified.globalMatch(text))
            if (!LooksLikeFileName(m.captured(1)) && !NotHandlers().contains(m.captured(1))
                && !Scripts::FindCommand(m.captured(1)))   // a script command's keyword
                names.insert(m.captured(1));
    }
    for (const Settings::KeySpec& k : Settings::KeyTable()) {
        if (k.handler)
            names.insert(QString::fromLatin1(k.handler));
        if (k.choice && k.choice->runClick && k.window)
            for (const Settings::ChoiceOption& o : k.choice->options)
                names.insert(QString::fromLatin1(k.window) + u'.' + QString::fromLatin1(o.control)
                             + QStringLiteral("Click"));
    }
    return names;
}

} // namespace

TEST_F(ProgramWindows, EveryHandlerCalledByNameExists)
{
    asStarted();
    activate();
    const QSet<QString> called = CalledNames();
    ASSERT_GT(called.size(), 50);
    QStringList missing, nowBuilt;
    for (const QString& name : called) {
        const bool exists = Settings::HasHandler(name);
        if (!exists && !Pending().contains(name))
            missing << name;
        if (exists && Pending().contains(name))
            nowBuilt << name;
    }
    missing.sort();
    nowBuilt.sort();
    EXPECT_TRUE(missing.isEmpty()) << "called by name, never registered: " << missing.join(u' ').toStdString();
    EXPECT_TRUE(nowBuilt.isEmpty()) << "registered now, drop from the pending list: "
                                    << nowBuilt.join(u' ').toStdString();
    for (const QString& name : Pending())
        EXPECT_TRUE(called.contains(name)) << "pending but never called: " << name.toStdString();
}
