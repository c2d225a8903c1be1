#include "pipeline/RemoveQuietly.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace vorlap {

void removeQuietly(const QString& path)
{
    if (path.isEmpty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(path).toStdString()), ignored);
}

} // namespace vorlap
