#pragma once
// Helpers for the UDIF tests: scratch folders, whole-file I/O, synthetic disks and
// taking an image apart to damage it on purpose.
#include "diskimage/udif/KolyTrailer.h"
#include "diskimage/udif/ResourceFork.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlap::test::udif {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }
    // The names in the folder (hidden ones included), sorted.
    std::vector<std::string> entries() const;

private:
    std::string m_path;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

// A disk of `sectors` sectors whose 1 MiB chunks cycle through kinds real volumes
// have: text (compressible), random (incompressible), all zero, and mixed chunks
// with zero stretches inside; reproducible from `seed`.
Bytes syntheticDisk(size_t sectors, uint32_t seed);

// An image taken apart: the trailer, the blkx entries decoded, and the rest.
struct ImageParts {
    diskimage::udif::KolyTrailer koly;
    std::vector<diskimage::udif::BlkxEntry> tables;
    Bytes dataFork;
};
ImageParts splitImage(const Bytes& image);
// Puts the parts back together (data fork, plist, trailer). With `fixChecksums`, the
// master and data-fork checksums are recomputed so that only the intended damage
// remains.
Bytes assembleImage(const ImageParts& parts, bool fixChecksums = true);

} // namespace vorlap::test::udif
