#include "pipeline/ToolRunner.h"

#include "pipeline/ChildProcess.h"

#include <QFile>
#include <QStringDecoder>

namespace vorlap {

namespace {

// The tool's bytes as text, or the empty text when they are not valid UTF-8. A byte order
// mark stays in the text like every other character.
QString decodeOutput(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
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
    return unexpected(PipelineError::hdiutilFailed(command.join(QLatin1Char(' ')) + QStringLiteral(": ") + output));
}

void detachQuietly(const QString& mountPoint)
{
    (void)runTool({QStringLiteral("hdiutil"), QStringLiteral("detach"), mountPoint, QStringLiteral("-quiet")});
}

} // namespace vorlap
