#include "pipeline/BuildPlaces.h"

#include <QDir>
#include <QUuid>

namespace vorlap {

namespace {

QString uuidText()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

QString BuildPlaces::volumesFolder()
{
#if defined(Q_OS_MACOS)
    return QStringLiteral("/Volumes");
#else
    return QDir::tempPath() + QStringLiteral("/Volumes");
#endif
}

BuildPlaces BuildPlaces::fresh()
{
    BuildPlaces places;
    places.workFolder = QDir::tempPath() + QStringLiteral("/vorlap-") + uuidText();
    places.readWriteImage = places.workFolder + QStringLiteral("/temp.dmg");
    places.convertedImage = places.workFolder + QStringLiteral("/converted.dmg");
    places.mountPoint = volumesFolder() + QStringLiteral("/vorlap-") + uuidText().left(8);
    return places;
}

} // namespace vorlap
