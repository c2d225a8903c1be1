#pragma once
// Names that change whenever the content does.
#include <QByteArray>
#include <QString>

namespace vorlap {

// The first 8 bytes of the SHA-256 digest as 16 lower-case hexadecimal digits.
QString shortHash(const QByteArray& bytes);

} // namespace vorlap
