#pragma once
// The icon an application bundle carries for itself (project/BundleIconFile.h), decoded
// through Qt's image plugins (.icns included).
#include <QImage>
#include <QString>

namespace vorlap::AppBundleIcon {

// The largest picture in the bundle's icon file; a null image when there is none
// or it cannot be decoded.
QImage load(const QString& bundlePath);

} // namespace vorlap::AppBundleIcon
