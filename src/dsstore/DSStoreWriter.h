#pragma once
// The Finder's layout file: a buddy-allocated block store ("Bud1") holding one B-tree,
// "DSDB", whose single leaf node carries all records.
#include "common/Expected.h"
#include "dsstore/DSStoreError.h"
#include "dsstore/DSStoreRecord.h"

#include <QByteArray>
#include <QList>

namespace vorlap {

class DSStoreWriter {
public:
    // The 10244 bytes of the file, records sorted (stably) into their stored order.
    // Fails, producing nothing, when the records do not fit the one 4096-byte node.
    static Expected<QByteArray, DSStoreError> serialize(QList<DSStoreRecord> records);

    static constexpr qsizetype fileSize = 10244;
    static constexpr qsizetype nodeSize = 4096;
};

} // namespace vorlap
