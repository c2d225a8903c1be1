#pragma once
// The icon file an application bundle names for itself: CFBundleIconFile in
// Contents/Info.plist (XML or binary), looked up in Contents/Resources. The preview draws it
// and the build copies it as the volume's icon. Bundles that name their icon only through an
// asset catalogue (CFBundleIconName, Assets.car) have none here.
#include <QString>

namespace vorlap {

// The icon file's path, or an empty string when the bundle names none that exists.
// A name without extension gets ".icns"; names that would leave Resources are refused.
QString bundleIconFile(const QString& bundlePath);

} // namespace vorlap
