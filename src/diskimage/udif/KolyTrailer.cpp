#include "diskimage/udif/KolyTrailer.h"

#include "common/BigEndian.h"

#include <algorithm>

namespace vorlap::diskimage::udif {

bool KolyTrailer::looksLikeTrailer(const uint8_t* block)
{
    return loadBE32(block) == kKolySignature && loadBE32(block + 4) == kKolyVersion
        && loadBE32(block + 8) == kKolySize;
}

Result<KolyTrailer> KolyTrailer::parse(const uint8_t* block)
{
    if (loadBE32(block) != kKolySignature)
        return fail(ErrorCode::corrupt, "no UDIF trailer (\"koly\") found");
    if (loadBE32(block + 4) != kKolyVersion)
        return fail(ErrorCode::unsupported, "unsupported UDIF trailer version " + std::to_string(loadBE32(block + 4)));
    if (loadBE32(block + 8) != kKolySize)
        return fail(ErrorCode::corrupt, "bad UDIF trailer size " + std::to_string(loadBE32(block + 8)));
    KolyTrailer k;
    k.flags = loadBE32(block + 12);
    k.runningDataForkOffset = loadBE64(block + 16);
    k.dataForkOffset = loadBE64(block + 24);
    k.dataForkLength = loadBE64(block + 32);
    k.rsrcForkOffset = loadBE64(block + 40);
    k.rsrcForkLength = loadBE64(block + 48);
    k.segmentNumber = loadBE32(block + 56);
    k.segmentCount = loadBE32(block + 60);
    std::copy(block + 64, block + 80, k.segmentId.begin());
    k.dataForkChecksum = UdifChecksum::parse(block + 80);
    k.xmlOffset = loadBE64(block + 216);
    k.xmlLength = loadBE64(block + 224);
    k.codeSignatureOffset = loadBE64(block + 296);
    k.codeSignatureLength = loadBE64(block + 304);
    k.masterChecksum = UdifChecksum::parse(block + 352);
    k.imageVariant = loadBE32(block + 488);
    k.sectorCount = loadBE64(block + 492);
    return k;
}

std::array<uint8_t, kKolySize> KolyTrailer::serialize() const
{
    std::array<uint8_t, kKolySize> b{};
    uint8_t* p = b.data();
    storeBE32(p, kKolySignature);
    storeBE32(p + 4, kKolyVersion);
    storeBE32(p + 8, kKolySize);
    storeBE32(p + 12, flags);
    storeBE64(p + 16, runningDataForkOffset);
    storeBE64(p + 24, dataForkOffset);
    storeBE64(p + 32, dataForkLength);
    storeBE64(p + 40, rsrcForkOffset);
    storeBE64(p + 48, rsrcForkLength);
    storeBE32(p + 56, segmentNumber);
    storeBE32(p + 60, segmentCount);
    std::copy(segmentId.begin(), segmentId.end(), p + 64);
    dataForkChecksum.serialize(p + 80);
    storeBE64(p + 216, xmlOffset);
    storeBE64(p + 224, xmlLength);
    storeBE64(p + 296, codeSignatureOffset);
    storeBE64(p + 304, codeSignatureLength);
    masterChecksum.serialize(p + 352);
    storeBE32(p + 488, imageVariant);
    storeBE64(p + 492, sectorCount);
    return b;
}

} // namespace vorlap::diskimage::udif
