#pragma once
// What is attached where: one record per attachment, kept per user outside any volume
// (see stateFolder: the XDG state folder, else a private one without HOME). Records are
// claimed with exclusive file creation, so two programs cannot attach the same image
// or the same folder at once; a record whose folder has gone is stale and taken over.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vorlap::hdiutil {

struct Attachment {
    std::string imagePath;   // canonical
    std::string mountPoint;  // canonical
    std::string volumeName;
    uint64_t volumeSize = 0; // bytes, to write the volume back with
    bool writable = false;   // false: detach discards the folder
    bool udif = false;       // a UDIF read/write image, written back as one (else bare sectors)
    bool createdMountPoint = false;
    // Set only once the whole volume is unpacked: an attach that was killed leaves a
    // partial tree, which must never be written back over the image.
    bool complete = false;
};

class AttachmentRegistry {
public:
    // The registry in its per-user folder, created on first use.
    static diskimage::Result<AttachmentRegistry> open();
    // $XDG_STATE_HOME/vorlap/hdiutil, else ~/.local/state/vorlap/hdiutil, else (no HOME) a
    // private per-user folder under $XDG_RUNTIME_DIR or the temporary directory.
    static diskimage::Result<std::string> stateFolder();
    explicit AttachmentRegistry(std::string folder) : m_folder(std::move(folder)) {}

    // Records the attachment. Fails when the image or the mount point is attached already.
    diskimage::Result<void> claim(const Attachment& attachment);
    // Updates the record of an attachment already claimed.
    diskimage::Result<void> update(const Attachment& attachment);
    // Forgets the attachment; missing records are no error.
    void release(const Attachment& attachment);

    std::optional<Attachment> findByMountPoint(const std::string& canonicalMountPoint) const;
    std::optional<Attachment> findByImage(const std::string& canonicalImagePath) const;

    const std::string& folder() const { return m_folder; }

private:
    std::string recordPath(const std::string& kind, const std::string& key) const;
    std::optional<Attachment> read(const std::string& path) const;

    std::string m_folder;
};

// The absolute form of `path` with symbolic links of its existing part resolved and
// "." and ".." removed, as the registry keys it.
std::string canonicalPath(const std::string& path);

} // namespace vorlap::hdiutil
