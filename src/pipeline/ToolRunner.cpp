#include "pipeline/ToolRunner.h"

#include "pipeline/ChildProcess.h"

#include <QFile>
#include <QStringDecoder>

#include <cstring>

namespace vorlap {

namespace {

// The tool's bytes as text; bytes that are not UTF-8 become replacement characters, so a
// failure keeps its reason. A byte order mark stays in the text like every other character.
QString decodeOutput(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

} // namespace

Expected<QString, PipelineError> runTool(const QStringList& command)
{
    QList<QByteArray> arguments;
    for (const QString& argument : command)
        arguments.append(QFile::encodeName(argument));

    VORLAP_TRY_LET(child, runChild(QByteArrayLiteral("/usr/bin/env"), arguments));
    QString output = decodeOutput(child.output);
    if (child.succeeded())
        return output;
    if (child.signal != 0) // a killed tool says nothing of why; the signal does
        output += QStringLiteral("(ended by signal %1: %2)").arg(child.signal).arg(QString::fromLocal8Bit(::strsignal(child.signal)));
    return unexpected(PipelineError::hdiutilFailed(command.join(QLatin1Char(' ')) + QStringLiteral(": ") + output));
}

void detachQuietly(const QString& mountPoint)
{
    (void)runTool({QStringLiteral("hdiutil"), QStringLiteral("detach"), mountPoint, QStringLiteral("-quiet"),
                   QStringLiteral("-force")});
}

} // namespace vorlap
