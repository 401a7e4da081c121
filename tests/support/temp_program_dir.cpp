#include "support/temp_program_dir.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace testsupport {

TempProgramDir::TempProgramDir()
    : oldProgramDir_(platform::programDir()), oldCurrentDir_(QDir::currentPath())
{
    EXPECT_TRUE(dir_.isValid()) << "cannot create a temporary folder";
    // The canonical path, so that it compares equal to QDir::currentPath().
    path_ = QFileInfo(dir_.path()).canonicalFilePath();
    EXPECT_TRUE(QDir::setCurrent(path_));
    platform::setProgramDir(path_);
}

TempProgramDir::~TempProgramDir()
{
    QDir::setCurrent(oldCurrentDir_);
    platform::setProgramDir(oldProgramDir_);
}

QString TempProgramDir::filePath(const QString& name) const { return platform::joinPath(path_, name); }

void TempProgramDir::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString p = filePath(name);
    EXPECT_TRUE(QDir().mkpath(QFileInfo(p).absolutePath())) << p.toStdString();
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << p.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size()) << p.toStdString();
}

void TempProgramDir::copyShipped(std::initializer_list<const char*> names) const
{
    for (const char* name : names) {
        QFile f(QStringLiteral(NJ_SHIPPED_DIR "/") + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        writeFile(QString::fromLatin1(name), f.readAll());
    }
}

QByteArray TempProgramDir::readFile(const QString& name) const
{
    QFile f(filePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TempProgramDir::exists(const QString& name) const { return QFileInfo::exists(filePath(name)); }

} // namespace testsupport
