#include "TestEnvironment.h"

#include "TestPaths.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vorlap::test {

EnvironmentGuard::EnvironmentGuard() { EXPECT_TRUE(m_dir.isValid()); }

EnvironmentGuard::~EnvironmentGuard()
{
    // Newest first, so that a variable changed twice ends as it was before the first change.
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
}

void EnvironmentGuard::remember(const char* name)
{
    m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
}

BuildCorner::BuildCorner(DiskTool tool)
{
    if (tool == DiskTool::standIn) {
        QDir().mkpath(path(QStringLiteral("bin")));
        EXPECT_TRUE(QFile::link(QString::fromStdString(sourcePath("tests/pipeline/fake-hdiutil")), path(QStringLiteral("bin/hdiutil"))));
    }
    prependToSearchPath(tool == DiskTool::standIn ? path(QStringLiteral("bin")) : QString::fromUtf8(VORLAP_BIN_DIR));
    setPath("TMPDIR", path(QStringLiteral("tmp")));
    setPath("FAKE_HDIUTIL_STATE", path(QStringLiteral("state")));
    setPath("XDG_STATE_HOME", path(QStringLiteral("xdg-state")));
    unset("FAKE_HDIUTIL_FAIL");
    unset("FAKE_HDIUTIL_FSEVENTSD");
    QDir().mkpath(path(QStringLiteral("out")));

    writeFile(appPath() + QStringLiteral("/Contents/Info.plist"), "<plist/>");
    const QString executable = appPath() + QStringLiteral("/Contents/MacOS/Sample");
    writeFile(executable, "#!/bin/sh\necho hi\n");
    ::chmod(QFile::encodeName(executable).constData(), 0755);
}

void writeFile(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << file.toStdString();
    out.write(bytes);
}

QByteArray readFile(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace vorlap::test
