#pragma once
// Whether a file holds a picture the program can load.
#include <QString>

namespace vorlap {

// True when the image reader recognises the file at `path` as a picture it can decode
// and can tell its size. Folders, missing files and other files are not pictures.
bool canLoadPicture(const QString& path);

} // namespace vorlap
