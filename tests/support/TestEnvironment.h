#pragma once
// One test's own corner of the system: environment variables changed for the test and
// put back after it, a scratch folder they point into, and the sample application the
// build tests package. Tests that run programs (ours or the stand-in tool) rely on the
// children inheriting this environment.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <optional>
#include <utility>
#include <vector>

namespace vorlap::test {

// Sets environment variables for its lifetime and restores each one, set or unset, as it
// was; owns the scratch folder that outlives none of them.
class EnvironmentGuard {
public:
    EnvironmentGuard();
    ~EnvironmentGuard();
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

    void set(const char* name, const QByteArray& value) { remember(name); qputenv(name, value); }
    void setPath(const char* name, const QString& folder) { QDir().mkpath(folder); set(name, QFile::encodeName(folder)); }
    void unset(const char* name) { remember(name); qunsetenv(name); }
    void prependToSearchPath(const QString& folder) { set("PATH", QFile::encodeName(folder) + ':' + qgetenv("PATH")); }

    // `relative` inside the scratch folder (made on demand by the helpers below).
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    const QTemporaryDir& scratch() const { return m_dir; }

private:
    void remember(const char* name);

    QTemporaryDir m_dir;
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

// Which disk-image tool a build finds on PATH: the stand-in that packs "images" as tar
// archives and logs its calls, or our own `hdiutil`.
enum class DiskTool { standIn, real };

// A build's surroundings: the tool on PATH, TMPDIR, the tools' state folders, and a
// small application bundle in in/Sample.app (Info.plist and an executable).
class BuildCorner : public EnvironmentGuard {
public:
    explicit BuildCorner(DiskTool tool);
    QString appPath() const { return path(QStringLiteral("in/Sample.app")); }
};

// Writes `bytes` to `file`, making its folder; the test fails when it cannot.
void writeFile(const QString& file, const QByteArray& bytes);
QByteArray readFile(const QString& file);

} // namespace vorlap::test
