#pragma once
// The folder an image is attached at: made ready by attach, emptied again by detach
// or by an attach that fails.
#include "diskimage/DiskImageError.h"
#include "hdiutil/AttachmentRegistry.h"

#include <string>
#include <system_error>

namespace vorlap::hdiutil {

// The mount point must be free: missing (then it is created, and the result is
// true) or an empty folder (false).
diskimage::Result<bool> prepareMountPoint(const std::string& path);

// Empties the folder the attachment filled, and removes it if attach made it.
std::error_code discardMountPoint(const Attachment& attachment);

} // namespace vorlap::hdiutil
