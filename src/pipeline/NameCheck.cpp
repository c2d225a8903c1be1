#include "pipeline/NameCheck.h"

#include "common/posix/UniqueDir.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

#include <dirent.h>
#include <sys/stat.h>

namespace vorlap {

namespace {

constexpr qsizetype maxNameUnits = 255;
constexpr int maxDepth = 256; // the copy refuses deeper trees

PipelineError unstorable(const QByteArray& path, const QString& why)
{
    return PipelineError::buildFailed(QString::fromUtf8(path) + QStringLiteral(": ") + why);
}

// The name as text, or nothing when its bytes are not UTF-8.
std::optional<QString> decodedName(const QByteArray& name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(name);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

Expected<QString, PipelineError> checkedName(const QByteArray& path, const QByteArray& name)
{
    const auto text = decodedName(name);
    if (!text)
        return unexpected(unstorable(path, QStringLiteral("the name is not valid UTF-8, which an HFS+ volume cannot store")));
    QString decomposed = text->normalized(QString::NormalizationForm_D);
    if (decomposed.size() > maxNameUnits)
        return unexpected(unstorable(path, QStringLiteral("the name is longer than 255 UTF-16 units once decomposed, "
                                                          "which an HFS+ volume cannot store")));
    return decomposed;
}

Expected<void, PipelineError> checkFolder(const QByteArray& folder, int depth)
{
    if (depth > maxDepth)
        return {};
    posix::UniqueDir dir(::opendir(folder.constData()));
    if (!dir)
        return {};
    struct Seen {
        QString name;
        QString decomposed;
    };
    QHash<QString, Seen> byFoldedName;
    QList<QByteArray> subfolders;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        VORLAP_TRY_LET(decomposed, checkedName(path, name));
        const QString folded = decomposed.toCaseFolded();
        const QString text = QString::fromUtf8(name);
        if (const auto other = byFoldedName.constFind(folded); other != byFoldedName.constEnd()) {
            const QString how = other->decomposed == decomposed ? QStringLiteral("are the same name once normalised")
                                                                : QStringLiteral("differ only in case");
            // In code-point order, so the message does not depend on the folder's listing order.
            const auto [first, second] = std::minmax(other->name, text);
            return unexpected(unstorable(folder, QStringLiteral("the names \"%1\" and \"%2\" %3, which an HFS+ volume "
                                                                "cannot hold in one folder").arg(first, second, how)));
        }
        byFoldedName.insert(folded, {text, decomposed});
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            subfolders.append(path);
    }
    dir.reset(); // one descriptor open at a time, however deep the tree
    for (const QByteArray& subfolder : subfolders)
        VORLAP_TRY(checkFolder(subfolder, depth + 1));
    return {};
}

} // namespace

Expected<void, PipelineError> checkVolumeNames(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const QByteArray trimmed = path.left(end);
    VORLAP_TRY(checkedName(trimmed, trimmed.mid(trimmed.lastIndexOf('/') + 1)));
    return checkFolder(trimmed, 0);
}

} // namespace vorlap
