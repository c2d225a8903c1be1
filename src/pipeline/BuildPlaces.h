#pragma once
// Where one build keeps its files: a fresh work folder and a fresh mount point.
#include <QString>

namespace vorlap {

struct BuildPlaces {
    QString workFolder;     // <temporary directory>/vorlap-<UUID>
    QString readWriteImage; // <work folder>/temp.dmg
    QString convertedImage; // <work folder>/converted.dmg
    QString mountPoint;     // /Volumes/vorlap-<8 UUID characters> (see volumesFolder)

    // New names for one build, from two fresh random UUIDs.
    static BuildPlaces fresh();

    // The folder mount points go into: /Volumes on macOS; elsewhere, where a user cannot
    // create /Volumes, a "Volumes" folder in the user's temporary directory.
    static QString volumesFolder();
};

} // namespace vorlap
