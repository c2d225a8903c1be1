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

TEST_F(ToolRunnerTest, FailuresNameTheCommandAndKeepTheOutputExactly)
{
    const struct {
        const char* script;
        QStringList command;
        QString description;
    } cases[] = {
        {R"(echo "hdiutil: attach failed - No such file or directory" >&2; exit 1)",
         {"hdiutil", "attach", "/tmp/w/temp.dmg", "-mountpoint", "/Volumes/vorlap-1", "-nobrowse"},
         "hdiutil failed: hdiutil attach /tmp/w/temp.dmg -mountpoint /Volumes/vorlap-1 -nobrowse: "
         "hdiutil: attach failed - No such file or directory\n"},
        {"exit 3", {"quiet"}, "hdiutil failed: quiet: "},
        {R"(printf 'ok\377\376'; exit 4)", {"binary"}, "hdiutil failed: binary: "}, // not UTF-8: left out
        {R"(echo going; kill -KILL $$; echo "not reached")", {"killed"}, "hdiutil failed: killed: going\n"},
        {R"(echo going; kill -TERM $$; echo "not reached")", {"ended"}, "hdiutil failed: ended: going\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command[0].toStdString());
        tool(c.command[0], c.script);
        const auto result = runTool(c.command);
        EXPECT_EQ(failure(result), c.description);
        if (!result)
            EXPECT_EQ(result.error().code, PipelineError::Code::hdiutilFailed);
    }
    tool("binary", R"(printf 'ok\377\376')");
    EXPECT_EQ(runTool({"binary"}).value_or("<failed>"), QString());
    // SIGPIPE is at its default action in the child even when this process ignores it.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    tool("piped", R"(echo going; kill -PIPE $$; echo "not reached")");
    EXPECT_EQ(failure(runTool({"piped"})), "hdiutil failed: piped: going\n");
    std::signal(SIGPIPE, previous);
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

TEST_F(ToolRunnerTest, ToolsThatCannotStartFailWithTheSystemError)
{
    const auto missing = runTool({"vorlap-no-such-tool", "create"});
    EXPECT_TRUE(failure(missing).startsWith("hdiutil failed: vorlap-no-such-tool create: ")) << failure(missing).toStdString();
    EXPECT_TRUE(failure(missing).contains("No such file or directory"));

    const QByteArray absent = QFile::encodeName(bin.filePath("missing-env"));
    const auto result = runChild(absent, {"x"});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), QString::fromLocal8Bit(absent) + ": No such file or directory");
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
    EXPECT_EQ(file.readAll(), "detach /Volumes/vorlap-ABCD1234 -quiet\n");

    qputenv("PATH", QFile::encodeName(bin.path())); // no hdiutil at all: still quiet
    QFile::remove(bin.filePath("hdiutil"));
    detachQuietly("/Volumes/none");
}
