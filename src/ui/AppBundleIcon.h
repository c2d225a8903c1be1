#pragma once
// The icon an application bundle carries for itself: the file named by
// CFBundleIconFile in Contents/Info.plist (XML or binary), looked up in
// Contents/Resources and decoded through Qt's image plugins (.icns included).
#include <QImage>
#include <QString>

namespace vorlap::AppBundleIcon {

// The icon file's path, or an empty string when the bundle names none that exists.
// A name without extension gets ".icns"; names that would leave Resources are refused.
QString iconFilePath(const QString& bundlePath);

// The largest picture in the bundle's icon file; a null image when there is none
// or it cannot be decoded.
QImage load(const QString& bundlePath);

} // namespace vorlap::AppBundleIcon
