// Fuzz target: the UDIF reader on arbitrary bytes. Opening, listing, locating the
// volume, verifying and reading must end in a value or a clear error; never a
// crash, a hang or an allocation out of proportion to the input.
#include "FuzzSupport.h"

#include "diskimage/PartitionMap.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/UdifWriter.h"
#include "diskimage/udif/VolumeLocator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;
using namespace vorlap::fuzz;

namespace {

constexpr uint64_t kReadBudget = 4u << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto image = DiskImage::open(std::make_unique<MemorySource>(data, size), "fuzz");
    if (!image)
        return 0;
    DiskImage& disk = **image;
    for (const Partition& p : disk.partitions())
        (void)partitionTypeFromName(p.name);
    (void)readPartitionMap(disk);
    (void)locateHfsVolume(disk);
    (void)disk.verify();

    // Read the start and the end of the disk in odd-sized pieces.
    std::vector<uint8_t> buffer(65537);
    const uint64_t total = disk.size();
    for (uint64_t offset = 0; offset < std::min(total, kReadBudget / 2); offset += buffer.size())
        (void)disk.readAt(offset, buffer.data(), static_cast<size_t>(std::min<uint64_t>(buffer.size(), total - offset)));
    if (total > kReadBudget / 2) {
        const uint64_t start = total - kReadBudget / 2;
        for (uint64_t offset = start; offset < total; offset += buffer.size())
            (void)disk.readAt(offset, buffer.data(),
                              static_cast<size_t>(std::min<uint64_t>(buffer.size(), total - offset)));
    }
    return 0;
}

namespace {

// A small disk with every chunk kind our writer makes, and an HFS+ signature.
std::vector<uint8_t> smallDisk()
{
    std::vector<uint8_t> disk(48 * 512, 0);
    disk[1024] = 'H';
    disk[1025] = '+';
    uint32_t x = 12345;
    for (size_t i = 4096; i < 12288; ++i) { // incompressible
        x = x * 1103515245u + 12345u;
        disk[i] = static_cast<uint8_t>(x >> 24);
    }
    for (size_t i = 16384; i < disk.size() - 2048; ++i) // compressible
        disk[i] = static_cast<uint8_t>("block table "[i % 12]);
    return disk;
}

} // namespace

extern "C" void VorlapFuzzSeeds(void (*add)(const uint8_t* data, size_t size))
{
    char path[] = "/tmp/vorlap-fuzz-udif-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return;
    ::close(fd);
    const std::vector<uint8_t> bytes = smallDisk();
    MemorySource disk(bytes.data(), bytes.size());
    UdzoOptions options;
    options.chunkSectors = 8;
    for (const bool compressed : {true, false}) {
        const auto written = compressed ? writeUdzo(disk, path, options) : writeUdrw(disk, path);
        if (written) {
            const std::string image = readWholeFile(path);
            add(reinterpret_cast<const uint8_t*>(image.data()), image.size());
        }
    }
    std::remove(path);
}
