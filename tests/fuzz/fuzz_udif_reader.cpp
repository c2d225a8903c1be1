// Fuzz target: the UDIF reader on arbitrary bytes. Opening, listing, locating the
// volume, verifying and reading must end in a value or a clear error; never a
// crash, a hang or an allocation out of proportion to the input.
#include "diskimage/PartitionMap.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/UdifWriter.h"
#include "diskimage/udif/VolumeLocator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;

namespace {

class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint64_t size() const override { return m_size; }
    Result<void> readAt(uint64_t offset, void* buffer, size_t length) override
    {
        if (offset > m_size || length > m_size - offset)
            return fail("read past the end");
        std::memcpy(buffer, m_data + offset, length);
        return {};
    }

private:
    const uint8_t* m_data;
    size_t m_size;
};

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

class VectorSource final : public ByteSource {
public:
    explicit VectorSource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    uint64_t size() const override { return m_bytes.size(); }
    Result<void> readAt(uint64_t offset, void* buffer, size_t length) override
    {
        if (offset > m_bytes.size() || length > m_bytes.size() - offset)
            return fail("read past the end");
        std::memcpy(buffer, m_bytes.data() + offset, length);
        return {};
    }

private:
    std::vector<uint8_t> m_bytes;
};

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
    VectorSource disk(smallDisk());
    UdzoOptions options;
    options.chunkSectors = 8;
    for (const bool compressed : {true, false}) {
        const auto written = compressed ? writeUdzo(disk, path, options) : writeUdrw(disk, path);
        if (written) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            add(bytes.data(), bytes.size());
        }
    }
    std::remove(path);
}
