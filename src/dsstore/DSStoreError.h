#pragma once
// Why a layout file (or a part of one) could not be produced.
#include <QString>

namespace vorlap {

struct DSStoreError {
    QString message;

    QString description() const { return message; }

    bool operator==(const DSStoreError&) const = default;
};

} // namespace vorlap
