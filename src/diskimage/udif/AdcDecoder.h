#pragma once
// Apple Data Compression (the chunks of UDCO images): a small LZ77 scheme.
#include "diskimage/DiskImageError.h"

#include <cstddef>
#include <cstdint>

namespace vorlap::diskimage::udif {

// Decodes exactly `inLength` bytes into exactly `outLength` bytes; anything else
// (a copy reaching before the start, output too long or too short, input left
// over or missing) is an error.
Result<void> decodeAdc(const uint8_t* in, size_t inLength, uint8_t* out, size_t outLength);

} // namespace vorlap::diskimage::udif
