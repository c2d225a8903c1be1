#include "Shell.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace vorlap::test {

ShellResult runProgram(const std::vector<std::string>& argv, const std::string& input)
{
    ShellResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments;
    for (const std::string& argument : argv)
        arguments << QString::fromStdString(argument);
    process.start(arguments.takeFirst(), arguments);
    if (!process.waitForStarted(-1))
        return result;
    if (!input.empty())
        process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    result.output = process.readAll().toStdString();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

bool haveProgram(const std::string& program)
{
    return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
}

} // namespace vorlap::test
