#include "pipeline/ShortHash.h"

#include <QCryptographicHash>

namespace vorlap {

QString shortHash(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(8).toHex());
}

} // namespace vorlap
