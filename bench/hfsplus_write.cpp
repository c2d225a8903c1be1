// Benchmark helper for hfsplus_write.sh.
//   bench_hfsplus_write make-tree DIR BYTES   a reproducible application-like tree
//   bench_hfsplus_write write SRC IMAGE SIZE  write SRC as an HFS+ volume of SIZE bytes
#include "diskimage/hfsplus/VolumeWriter.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace vorlap::diskimage::hfsplus;

namespace {

struct Generator {
    uint64_t state;
    uint64_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

// Binaries are incompressible, resources half text-like.
void writeContent(const std::string& path, uint64_t size, Generator& rng, bool textLike)
{
    std::ofstream out(path, std::ios::binary);
    std::vector<uint64_t> block(1 << 15);
    uint64_t left = size;
    while (left > 0) {
        for (auto& word : block)
            word = textLike ? 0x2065756c6176206bull ^ (rng.next() & 0x0F0F0F0F0F0F0F0Full) : rng.next();
        const uint64_t piece = std::min<uint64_t>(left, block.size() * 8);
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(piece));
        left -= piece;
    }
}

int makeTree(const std::string& root, uint64_t total)
{
    namespace fs = std::filesystem;
    Generator rng{0x5EEDF00Dull};
    const std::string contents = root + "/Bench.app/Contents";
    fs::create_directories(contents + "/MacOS");
    fs::create_directories(contents + "/Frameworks");
    fs::create_directories(root + "/.background");
    uint64_t written = 0;
    // A main binary and a few frameworks: about 60% of the bytes.
    const uint64_t binaries = total * 6 / 10;
    writeContent(contents + "/MacOS/Bench", binaries / 3, rng, false);
    written += binaries / 3;
    for (int i = 0; written < binaries; ++i) {
        const std::string framework = contents + "/Frameworks/Lib" + std::to_string(i) + ".framework/Versions/A";
        fs::create_directories(framework);
        const uint64_t size = std::min<uint64_t>(binaries - written, 24 * 1024 * 1024 + (rng.next() % (16 << 20)));
        writeContent(framework + "/Lib" + std::to_string(i), size, rng, false);
        written += size;
    }
    // Resources: many files from 1 KiB to 2 MiB in nested folders.
    for (int i = 0; written < total; ++i) {
        const std::string folder = contents + "/Resources/group" + std::to_string(i / 100) + "/sub" + std::to_string(i % 7);
        fs::create_directories(folder);
        // One file in ten is a large picture or archive (256 KiB..2 MiB), the rest small (1..64 KiB).
        const uint64_t size = i % 10 == 0 ? (256 << 10) + rng.next() % (1792 << 10) : 1024 + rng.next() % (63 << 10);
        const uint64_t actual = std::min<uint64_t>(size, total - written);
        writeContent(folder + "/resource" + std::to_string(i) + ".dat", actual, rng, true);
        written += actual;
    }
    std::ofstream(root + "/.DS_Store") << "layout";
    fs::create_symlink("/Applications", root + "/Applications");
    std::printf("tree of %llu bytes in %s\n", static_cast<unsigned long long>(written), root.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "make-tree") == 0)
        return makeTree(argv[2], std::stoull(argv[3]));
    if (argc == 5 && std::strcmp(argv[1], "write") == 0) {
        const auto start = std::chrono::steady_clock::now();
        auto written = writeVolume(argv[2], argv[3], {"Bench", std::stoull(argv[4]), true});
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!written) {
            std::fprintf(stderr, "bench_hfsplus_write: %s\n", written.error().message.c_str());
            return 1;
        }
        std::printf("wrote %u files, %u folders, %llu bytes in use, in %.3f s\n", written->fileCount,
                    written->folderCount, static_cast<unsigned long long>(written->usedBytes), seconds);
        return 0;
    }
    std::fprintf(stderr, "usage: bench_hfsplus_write make-tree DIR BYTES | write SRC IMAGE SIZE\n");
    return 2;
}
