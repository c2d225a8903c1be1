// A small, deterministic mutation driver for fuzz targets written against the
// libFuzzer interface (LLVMFuzzerTestOneInput). It lets the test suite run every
// target briefly with the ordinary compiler; long campaigns use libFuzzer itself
// (configure with clang and -DVORLAP_LIBFUZZER=ON).
//
// usage: fuzz_x [--runs=N] [--seed=S] [corpus file or folder ...]
//
// Seeds come from the named files and folders and from the optional hook
// VorlapFuzzSeeds, through which a target can build valid inputs itself.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) void VorlapFuzzSeeds(void (*add)(const uint8_t* data, size_t size));

namespace {

std::vector<std::vector<uint8_t>> seeds;

void addSeed(const uint8_t* data, size_t size) { seeds.emplace_back(data, data + size); }

void loadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void mutate(std::vector<uint8_t>& data, std::mt19937_64& rng)
{
    const auto pick = [&](size_t bound) { return bound == 0 ? size_t{0} : static_cast<size_t>(rng() % bound); };
    static const uint32_t interesting[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF,
                                           0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 512, 4096};
    const int edits = 1 + static_cast<int>(pick(8));
    for (int i = 0; i < edits; ++i) {
        switch (pick(6)) {
        case 0: // flip one bit
            if (!data.empty())
                data[pick(data.size())] ^= static_cast<uint8_t>(1u << pick(8));
            break;
        case 1: // random byte
            if (!data.empty())
                data[pick(data.size())] = static_cast<uint8_t>(rng());
            break;
        case 2: // big-endian interesting value
            if (data.size() >= 4) {
                const uint32_t v = interesting[pick(std::size(interesting))];
                const size_t at = pick(data.size() - 3);
                for (int b = 0; b < 4; ++b)
                    data[at + b] = static_cast<uint8_t>(v >> (24 - 8 * b));
            }
            break;
        case 3: // truncate
            data.resize(pick(data.size() + 1));
            break;
        case 4: // copy a run of bytes elsewhere
            if (data.size() > 2) {
                const size_t from = pick(data.size()), to = pick(data.size());
                const size_t len = std::min({pick(64) + 1, data.size() - from, data.size() - to});
                std::memmove(&data[to], &data[from], len);
            }
            break;
        default: // insert bytes
            data.insert(data.begin() + static_cast<long>(pick(data.size() + 1)), pick(16) + 1,
                        static_cast<uint8_t>(rng()));
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    long runs = 1000;
    unsigned long long seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--runs=", 0) == 0)
            runs = std::strtol(arg.c_str() + 7, nullptr, 10);
        else if (arg.rfind("--seed=", 0) == 0)
            seed = std::strtoull(arg.c_str() + 7, nullptr, 10);
        else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    loadFile(entry.path());
        } else if (std::filesystem::is_regular_file(arg))
            loadFile(arg);
    }
    if (VorlapFuzzSeeds)
        VorlapFuzzSeeds(addSeed);
    if (seeds.empty())
        seeds.emplace_back();

    for (const auto& s : seeds)
        LLVMFuzzerTestOneInput(s.data(), s.size());

    std::mt19937_64 rng(seed);
    for (long run = 0; run < runs; ++run) {
        std::vector<uint8_t> input = seeds[rng() % seeds.size()];
        mutate(input, rng);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld mutated inputs over %zu seeds: no crash\n", runs, seeds.size());
    return 0;
}
