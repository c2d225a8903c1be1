#include "pipeline/DMGBuilder.h"

#include <QCryptographicHash>

namespace vorlap {

QString DMGBuilder::shortHash(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(8).toHex());
}

} // namespace vorlap
