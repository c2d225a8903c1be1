// Running tools: small fake tools in a temporary folder put first on the search path.
#include "pipeline/ChildProcess.h"
#include "pipeline/ToolRunner.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

using namespace vorlap;
using namespace vorlap::test;

namespace {

class ToolRunnerTest : public ::testing::Test {
protected:
    void SetUp() override { environment.prependToSearchPath(bin()); }

    QString bin() const { return environment.path("bin"); }

    // A shell script named `name` on the search path.
    void tool(const QString& name, const QByteArray& body)
    {
        writeFile(bin() + "/" + name, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(bin() + "/" + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    static QString outcome(const Expected<QString, PipelineError>& r) { return r ? *r : r.error().description(); }

    EnvironmentGuard environment;
};

} // namespace

TEST_F(ToolRunnerTest, ArgumentsArriveUnchangedAndEveryOutcomeKeepsTheOutputExactly)
{
    tool("args", R"(for a in "$@"; do printf '[%s]\n' "$a"; done; echo "to error" >&2; echo "to output")");
    tool("hdiutil", R"(echo "hdiutil: attach failed - No such file or directory" >&2; exit 1)");
    tool("quiet", "exit 3");
    tool("binary", R"(printf 'ok\377\376'; exit "$1")");
    tool("doomed", R"(echo "going"; kill -"$1" $$; echo "not reached")");
    const struct {
        QStringList command;
        QString outcome;
    } cases[] = {
        {{"args", "a path/with spaces", "", QString::fromUtf8("Caf\u00e9 $HOME *")},
         QString::fromUtf8("[a path/with spaces]\n[]\n[Caf\u00e9 $HOME *]\nto error\nto output\n")},
        {{"hdiutil", "attach", "/tmp/w/temp.dmg", "-nobrowse"},
         "hdiutil failed: hdiutil attach /tmp/w/temp.dmg -nobrowse: hdiutil: attach failed - No such file or directory\n"},
        {{"quiet"}, "hdiutil failed: quiet: "},
        {{"binary", "0"}, QStringLiteral(u"ok\uFFFD\uFFFD")},
        {{"binary", "4"}, QStringLiteral(u"hdiutil failed: binary 4: ok\uFFFD\uFFFD")},
        {{"doomed", "KILL"}, "hdiutil failed: doomed KILL: going\n(ended by signal 9: Killed)"},
        // SIGPIPE is at its default action in the child even though this process ignores it.
        {{"doomed", "PIPE"}, "hdiutil failed: doomed PIPE: going\n(ended by signal 13: Broken pipe)"},
    };
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.join(' ').toStdString());
        const auto result = runTool(c.command);
        EXPECT_EQ(outcome(result), c.outcome);
        EXPECT_TRUE(result || result.error().code == PipelineError::Code::hdiutilFailed);
    }
    std::signal(SIGPIPE, previous);
}

TEST_F(ToolRunnerTest, MegabytesOfOutputOnBothStreamsDoNotBlock)
{
    // Far more than a pipe holds, first on standard output, then on standard error.
    tool("chatty", R"(head -c 3000000 /dev/zero | tr '\0' o; head -c 3000000 /dev/zero | tr '\0' e >&2; exit "$1")");
    const auto success = runTool({"chatty", "0"});
    ASSERT_TRUE(success);
    EXPECT_EQ(*success, QString(3000000, 'o') + QString(3000000, 'e'));
    EXPECT_EQ(outcome(runTool({"chatty", "2"})).size(), QStringLiteral("hdiutil failed: chatty 2: ").size() + 6000000);
}

TEST_F(ToolRunnerTest, ProgramsThatCannotStartFailWithTheSystemError)
{
    const QString missing = outcome(runTool({"vorlap-no-such-tool", "create"}));
    EXPECT_TRUE(missing.startsWith("hdiutil failed: vorlap-no-such-tool create: ")) << missing.toStdString();
    EXPECT_TRUE(missing.contains("No such file or directory")) << missing.toStdString();

    tool("not-executable", "exit 0");
    QFile::setPermissions(bin() + "/not-executable", QFile::ReadOwner);
    const auto denied = runChild(QFile::encodeName(bin() + "/not-executable"), {"x"});
    ASSERT_FALSE(denied);
    EXPECT_EQ(denied.error().description(), bin() + "/not-executable: Permission denied");
    EXPECT_EQ(denied.error().code, PipelineError::Code::systemFailed);
    EXPECT_EQ(denied.error().errnum, EACCES);
}
