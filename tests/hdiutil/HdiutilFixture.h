#pragma once
// Runs our `hdiutil` program as the build does, each test with its own attachment
// records and folders.
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlap::test {

class HdiutilFixture : public ::testing::Test {
protected:
    void SetUp() override { environment.setPath("XDG_STATE_HOME", qpath("state")); }
    void TearDown() override
    {
        // Nothing may stay attached after a test.
        EXPECT_TRUE(QDir(qpath("state/vorlap/hdiutil")).entryList(QDir::Files).isEmpty())
            << "attachment records left: " << QDir(qpath("state/vorlap/hdiutil")).entryList(QDir::Files).join(' ').toStdString();
    }

    std::string path(const std::string& relative) const { return qpath(relative.c_str()).toStdString(); }
    std::string path(const char* relative) const { return path(std::string(relative)); }
    QString qpath(const char* relative) const { return environment.scratch().path() + "/" + QString::fromUtf8(relative); }
    static QString q(const std::string& text) { return QString::fromStdString(text); }

    ShellResult hdiutil(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), binaryPath("hdiutil"));
        return runProgram(arguments);
    }

    // Runs and expects success, returning the output.
    std::string ok(const std::vector<std::string>& arguments) const
    {
        const ShellResult result = hdiutil(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return result.output;
    }

    EnvironmentGuard environment;
};

// Patching bare images made by `hdiutil create` into shapes our writer never makes.
inline QByteArray utf16Name(const QString& name)
{
    QByteArray bytes;
    for (const QChar c : name)
        bytes.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xFF));
    return bytes;
}

// Where the catalog file record of the item named `name` starts in a bare image.
inline qsizetype fileRecordOf(const QByteArray& image, const QString& name)
{
    const QByteArray key = QByteArray(1, static_cast<char>(name.size() >> 8)) + static_cast<char>(name.size()) + utf16Name(name);
    for (qsizetype at = image.indexOf(key); at >= 0; at = image.indexOf(key, at + 1)) {
        const qsizetype record = at + key.size();
        if (image[record] == 0 && image[record + 1] == 2)
            return record;
    }
    return -1;
}

inline void storeBE32At(QByteArray& bytes, qsizetype at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

} // namespace vorlap::test
