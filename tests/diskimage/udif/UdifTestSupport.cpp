#include "UdifTestSupport.h"

#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/Checksum.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vorlap::test::udif {

using namespace vorlap::diskimage::udif;

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Bytes syntheticDisk(size_t sectors, uint32_t seed)
{
    static const char* const words[] = {"disk ", "image ", "volume ", "the ", "of ", "<key>", "</string>\n",
                                        "Contents/", "Resources/", "0x0050 ", "{\"name\": ", "return 0;\n"};
    std::mt19937 rng(seed);
    Bytes disk(sectors * 512, 0);
    const size_t chunk = 1 << 20;
    for (size_t start = 0, kind = 0; start < disk.size(); start += chunk, ++kind) {
        const size_t end = std::min(disk.size(), start + chunk);
        switch (kind % 4) {
        case 0: // text
            for (size_t i = start; i < end;) {
                const char* w = words[rng() % std::size(words)];
                for (; *w && i < end; ++w)
                    disk[i++] = static_cast<uint8_t>(*w);
            }
            break;
        case 1: // random: compressed images, archives
            for (size_t i = start; i < end; ++i)
                disk[i] = static_cast<uint8_t>(rng());
            break;
        case 2: // all zero: free space
            break;
        default: // mixed: random stretches between zeros
            for (size_t i = start; i < end; i += 8192)
                if (rng() % 2)
                    for (size_t j = i; j < std::min(end, i + 4096); ++j)
                        disk[j] = static_cast<uint8_t>(rng() % 7);
            break;
        }
    }
    return disk;
}

ImageParts splitImage(const Bytes& image)
{
    ImageParts parts;
    if (image.size() < kKolySize)
        throw std::runtime_error("not an image");
    auto koly = KolyTrailer::parse(image.data() + image.size() - kKolySize);
    if (!koly)
        throw std::runtime_error(koly.error().message);
    parts.koly = *koly;
    const std::string xml(image.begin() + static_cast<long>(koly->xmlOffset),
                          image.begin() + static_cast<long>(koly->xmlOffset + koly->xmlLength));
    auto tables = readResourceForkPlist(xml);
    if (!tables)
        throw std::runtime_error(tables.error().message);
    parts.tables = *tables;
    parts.dataFork.assign(image.begin() + static_cast<long>(koly->dataForkOffset),
                          image.begin() + static_cast<long>(koly->dataForkOffset + koly->dataForkLength));
    return parts;
}

Bytes assembleImage(const ImageParts& parts, bool fixChecksums)
{
    KolyTrailer koly = parts.koly;
    Bytes out = parts.dataFork;
    const std::string xml = writeResourceForkPlist(parts.tables);
    koly.dataForkOffset = 0;
    koly.dataForkLength = out.size();
    koly.xmlOffset = out.size();
    koly.xmlLength = xml.size();
    if (fixChecksums) {
        koly.dataForkChecksum = UdifChecksum::crc32(crc32Update(0, out.data(), out.size()));
        std::vector<UdifChecksum> sums;
        for (const BlkxEntry& e : parts.tables) {
            auto table = BlockTable::parse(e.data.data(), e.data.size());
            if (table)
                sums.push_back(table->checksum);
        }
        if (auto master = masterChecksum(sums))
            koly.masterChecksum = UdifChecksum::crc32(*master);
    }
    out.insert(out.end(), xml.begin(), xml.end());
    const auto trailer = koly.serialize();
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

} // namespace vorlap::test::udif
