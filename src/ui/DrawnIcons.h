#pragma once
// File icons drawn by the program itself, for when the platform has none to give:
// a generic application tile and a folder marked as the Applications folder.
#include <QImage>

namespace vorlap::DrawnIcons {

// Square images of `side` × `side` pixels with a transparent surround.
QImage genericApplication(int side);
QImage applicationsFolder(int side);

} // namespace vorlap::DrawnIcons
