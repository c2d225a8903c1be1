#pragma once
// The classic (version 2) alias record by which the Finder finds the background picture
// of the installer window.
#include "common/Expected.h"
#include "dsstore/DSStoreError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace vorlap {

// What an alias records of its target, dates in seconds since 1904 (0: unknown).
struct AliasTarget {
    QString volumeName;
    QString mountPath;
    QString folderName;
    QString fileName;
    uint32_t folderId = 0;
    uint32_t fileId = 0;
    uint32_t volumeDate = 0;
    uint32_t fileDate = 0;
};

// The alias of `target`, with the IDs and dates given. Fails only when a name or path is
// too long for the record's 16-bit lengths.
Expected<QByteArray, DSStoreError> makeAliasRecord(const AliasTarget& target);

// The alias of `mountPath/folderName/fileName` on the volume `volumeName` mounted at
// `mountPath`. Reads item numbers and creation dates of the mounted items; an item that
// cannot be read gives 0 for its number and date, and the record is still made. Fails
// only when a name or path is too long for the record's 16-bit lengths.
Expected<QByteArray, DSStoreError> makeAliasRecord(const QString& volumeName, const QString& mountPath,
                                                   const QString& folderName, const QString& fileName);

} // namespace vorlap
