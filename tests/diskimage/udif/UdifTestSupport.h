#pragma once
// Helpers for the UDIF tests: whole-file I/O, synthetic disks and taking an image
// apart to damage it on purpose.
#include "diskimage/udif/KolyTrailer.h"
#include "diskimage/udif/ResourceFork.h"
#include "support/ScratchDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlap::test::udif {

using Bytes = std::vector<uint8_t>;

using vorlap::test::ScratchDir;

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
