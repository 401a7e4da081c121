#include "app/path_dialog.h"
#include "support/fakes.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(TPathDialog, DirectoryWriterStripsOneSeparatorButKeepsRoots)
{
    TPathDialog d;
    const std::pair<const char*, const char*> cases[] = {
        {"/home/obs/", "/home/obs"}, {"C:\\Images\\", "C:\\Images"}, {"/data//", "/data/"},
        {"/", "/"},                  {"\\", "\\"},                   {"C:\\", "C:\\"},
        {"/tmp", "/tmp"},
    };
    for (const auto& [in, out] : cases) {
        d.SetDirectory(QString::fromLatin1(in));
        EXPECT_EQ(d.Directory(), QString::fromLatin1(out)) << in;
    }
    d.SetDirectory(QString());
    EXPECT_EQ(d.Directory(), QDir::currentPath());
}

TEST(TPathDialog, ExecuteStoresTheChoiceAndCancelKeepsTheOldFolder)
{
    testsupport::RecordingDialogService dialogs;
    dialogs.folderAnswers = {QStringLiteral("/srv/images/"), std::nullopt, QString()};
    TPathDialog d;
    d.Title = QStringLiteral("Répertoire des images");
    d.SetDirectory(QStringLiteral("/home/obs"));
    QStringList events;
    d.OnShow = [&](TPathDialog& self) { events << "show " + self.Directory(); };
    d.OnSelect = [&](TPathDialog&, const QString& p) { events << "select " + p; };

    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.Directory(), "/srv/images");
    EXPECT_FALSE(d.Execute());              // cancelled
    EXPECT_FALSE(d.Execute());              // no file-system folder chosen
    EXPECT_EQ(d.Directory(), "/srv/images");
    EXPECT_EQ(dialogs.folderRequests, (std::vector<QString>{"/home/obs", "/srv/images", "/srv/images"}));
    EXPECT_EQ(events, (QStringList{"show /home/obs", "select /srv/images/", "show /srv/images",
                                   "show /srv/images"}));
}
