// Fuzz target: the HFS+ reader on arbitrary bytes, as a bare volume or a partitioned
// disk. It opens the volume, lists it and reads every data fork; it must end with an
// error or a result, never a crash, a hang or an unbounded allocation.
#include "FuzzSupport.h"
#include "../support/PartitionMaps.h"

#include "diskimage/hfsplus/VolumeReader.h"
#include "diskimage/hfsplus/VolumeWriter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::hfsplus;
using namespace vorlap::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemorySource source(data, size);
    auto reader = VolumeReader::open(source);
    if (!reader)
        return 0;
    auto listed = (*reader)->list();
    if (!listed)
        return 0;
    for (const VolumeEntry& entry : *listed) {
        if (entry.kind != ItemKind::File)
            continue;
        uint64_t total = 0;
        auto read = (*reader)->readDataFork(entry.id, [&](const uint8_t*, size_t length) -> Result<void> {
            total += length;
            return {};
        });
        if (read && total != entry.size)
            std::abort(); // a fork read must deliver exactly its logical size
    }
    return 0;
}

// Small valid volumes made by our writer: 4 KiB and 512-byte blocks, one inside a GUID
// partition table.
extern "C" void VorlapFuzzSeeds(void (*add)(const uint8_t* data, size_t size))
{
    char pattern[] = "/tmp/vorlap-fuzz-hfs-XXXXXX";
    if (!::mkdtemp(pattern))
        return;
    const std::string dir = pattern;
    const std::string src = dir + "/src";
    std::filesystem::create_directories(src + "/Folder.app/Contents");
    writeWholeFile(src + "/Folder.app/Contents/Info.plist", "<plist/>");
    writeWholeFile(src + "/caf\u00e9 \u65e5\u672c", std::string(5000, 'x'));
    writeWholeFile(src + "/.DS_Store", "layout");
    std::filesystem::create_symlink("/Applications", src + "/Applications");
    for (int i = 0; i < 12; ++i)
        writeWholeFile(src + "/Folder.app/Contents/f" + std::to_string(i), std::to_string(i));

    for (uint64_t size : {uint64_t{256 * 1024}, uint64_t{401 * 512}}) {
        const std::string image = dir + "/seed.hfs";
        if (auto written = writeVolume(src, image, {"Fuzz", size, true}); !written) {
            std::fprintf(stderr, "seed volume not written: %s\n", written.error().message.c_str());
            continue;
        }
        const std::string bytes = readWholeFile(image);
        add(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        if (size % 4096 == 0) {
            // The same volume at LBA 40 of a GUID partition table.
            std::string disk(40 * 512, '\0');
            vorlap::test::putGptWithHfs(reinterpret_cast<uint8_t*>(disk.data()), 4, 0, 40, 40 + bytes.size() / 512 - 1);
            disk += bytes;
            add(reinterpret_cast<const uint8_t*>(disk.data()), disk.size());
        }
    }
    std::filesystem::remove_all(dir);
}
