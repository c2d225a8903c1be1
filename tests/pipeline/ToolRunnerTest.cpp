// Running tools: small fake tools in a temporary folder put first on the search path.
#include "pipeline/ChildProcess.h"
#include "pipeline/ToolRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <thread>

using namespace vorlap;

namespace {

class ToolRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bin.isValid());
        savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + savedPath);
    }

    void TearDown() override { qputenv("PATH", savedPath); }

    // A shell script named `name` on the search path.
    void tool(const QString& name, const QByteArray& body)
    {
        QFile file(bin.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    static QString failure(const Expected<QString, PipelineError>& result)
    {
        if (result)
            return QStringLiteral("<succeeded: ") + *result + QLatin1Char('>');
        return result.error().description();
    }

    QTemporaryDir bin;
    QByteArray savedPath;
};

} // namespace

TEST_F(ToolRunnerTest, ArgumentsArriveUnchangedAndBothStreamsAreCollected)
{
    tool("args", R"(for a in "$@"; do printf '[%s]\n' "$a"; done; echo "to error" >&2; echo "to output")");
    const auto result = runTool({"args", "a path/with spaces", "", QString::fromUtf8("Caf\u00e9 $HOME *")});
    ASSERT_TRUE(result) << failure(result).toStdString();
    EXPECT_EQ(*result, QString::fromUtf8("[a path/with spaces]\n[]\n[Caf\u00e9 $HOME *]\nto error\nto output\n"));
}

TEST_F(ToolRunnerTest, NonZeroExitNamesTheCommandAndKeepsTheOutputExactly)
{
    tool("hdiutil", R"(echo "hdiutil: attach failed - No such file or directory" >&2; exit 1)");
    const auto result = runTool({"hdiutil", "attach", "/tmp/w/temp.dmg", "-mountpoint", "/Volumes/vorlap-1",
                                 "-nobrowse"});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(),
              "hdiutil failed: hdiutil attach /tmp/w/temp.dmg -mountpoint /Volumes/vorlap-1 -nobrowse: "
              "hdiutil: attach failed - No such file or directory\n");
    EXPECT_EQ(result.error().code, PipelineError::Code::hdiutilFailed);

    tool("quiet", "exit 3");
    EXPECT_EQ(failure(runTool({"quiet"})), "hdiutil failed: quiet: ");
}

TEST_F(ToolRunnerTest, OutputThatIsNotUtf8KeepsItsTextWithReplacementCharacters)
{
    tool("binary", R"(printf 'ok\377\376'; exit "$1")");
    const auto success = runTool({"binary", "0"});
    ASSERT_TRUE(success);
    EXPECT_EQ(*success, QStringLiteral(u"ok\uFFFD\uFFFD"));
    EXPECT_EQ(failure(runTool({"binary", "4"})), QStringLiteral(u"hdiutil failed: binary 4: ok\uFFFD\uFFFD"));
}

TEST_F(ToolRunnerTest, MegabytesOfOutputOnBothStreamsDoNotBlock)
{
    // Far more than a pipe holds, first on standard output, then on standard error.
    tool("chatty", R"(head -c 3000000 /dev/zero | tr '\0' o; head -c 3000000 /dev/zero | tr '\0' e >&2; exit "$1")");
    const auto success = runTool({"chatty", "0"});
    ASSERT_TRUE(success);
    ASSERT_EQ(success->size(), 6000000);
    EXPECT_EQ(success->count(QLatin1Char('o')), 3000000);
    EXPECT_TRUE(success->endsWith(QLatin1Char('e')));

    const auto failed = runTool({"chatty", "2"});
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().description().size(), QStringLiteral("hdiutil failed: chatty 2: ").size() + 6000000);
}

TEST_F(ToolRunnerTest, ChildKilledBySignalFails)
{
    tool("doomed", R"(echo "going"; kill -"$1" $$; echo "not reached")");
    EXPECT_EQ(failure(runTool({"doomed", "KILL"})), "hdiutil failed: doomed KILL: going\n(ended by signal 9: Killed)");
    EXPECT_EQ(failure(runTool({"doomed", "TERM"})), "hdiutil failed: doomed TERM: going\n(ended by signal 15: Terminated)");
    // SIGPIPE is at its default action in the child even when this process ignores it.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(failure(runTool({"doomed", "PIPE"})), "hdiutil failed: doomed PIPE: going\n(ended by signal 13: Broken pipe)");
    std::signal(SIGPIPE, previous);
}

TEST_F(ToolRunnerTest, MissingToolFailsWithTheSearchError)
{
    const auto result = runTool({"vorlap-no-such-tool", "create"});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, PipelineError::Code::hdiutilFailed);
    const QString description = result.error().description();
    EXPECT_TRUE(description.startsWith("hdiutil failed: vorlap-no-such-tool create: ")) << description.toStdString();
    EXPECT_TRUE(description.contains("No such file or directory")) << description.toStdString();
}

TEST_F(ToolRunnerTest, ProgramThatCannotStartIsAPlatformError)
{
    const QByteArray missing = QFile::encodeName(bin.filePath("missing-env"));
    const auto result = runChild(missing, {"x"});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), QString::fromLocal8Bit(missing) + ": No such file or directory");
    EXPECT_EQ(result.error().code, PipelineError::Code::systemFailed);
    EXPECT_EQ(result.error().errnum, ENOENT);

    tool("not-executable", "exit 0");
    QFile::setPermissions(bin.filePath("not-executable"), QFile::ReadOwner);
    const auto denied = runChild(QFile::encodeName(bin.filePath("not-executable")), {});
    ASSERT_FALSE(denied);
    EXPECT_TRUE(denied.error().description().endsWith(": Permission denied")) << denied.error().description().toStdString();
}

TEST_F(ToolRunnerTest, RunsFromSeveralWorkerThreadsAtOnce)
{
    tool("whoami-tool", R"(sleep 0.2; echo "run $1")");
    std::vector<QString> outputs(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([i, &outputs] {
            const auto result = runTool({"whoami-tool", QString::number(i)});
            outputs[i] = result ? *result : result.error().description();
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(outputs[i], QStringLiteral("run %1\n").arg(i));
}

TEST_F(ToolRunnerTest, DetachQuietlyWaitsForTheToolAndIgnoresItsFailure)
{
    const QString log = bin.filePath("detach.log");
    tool("hdiutil", QStringLiteral(R"(sleep 0.2; echo "$@" > '%1'; echo "hdiutil: detach failed - No such file or directory" >&2; exit 16)")
                        .arg(log)
                        .toUtf8());
    detachQuietly("/Volumes/vorlap-ABCD1234");
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "returned before the tool finished";
    EXPECT_EQ(file.readAll(), "detach /Volumes/vorlap-ABCD1234 -quiet -force\n");

    qputenv("PATH", QFile::encodeName(bin.path())); // no hdiutil at all: still quiet
    QFile::remove(bin.filePath("hdiutil"));
    detachQuietly("/Volumes/none");
}
