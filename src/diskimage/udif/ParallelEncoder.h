#pragma once
// Compresses chunks on a small pool of worker threads and hands them back in the
// order they were submitted, with a fixed number of chunks in flight: memory stays
// bounded whatever the size of the disk.
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/ChunkCodec.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vorlap::diskimage::udif {

struct EncodedChunk {
    // Filled by the caller before submit().
    std::vector<uint8_t> input;     // the chunk's sectors
    // Filled by the encoder.
    ChunkType type = ChunkType::ZeroFill; // ZeroFill (all zero, nothing stored), the codec's type or Raw
    std::vector<uint8_t> compressed;      // the stored bytes of a compressed chunk
    uint32_t inputCrc = 0;                // CRC-32 of the sectors
    uint32_t storedCrc = 0;               // CRC-32 of the stored bytes
    std::optional<DiskImageError> error;

    const std::vector<uint8_t>& stored() const { return type == ChunkType::Raw ? input : compressed; }
};

class ParallelEncoder {
public:
    // `workers` 0 means one per core. `codec` and `zlibLevel` as for makeChunkEncoder().
    // The caller keeps at most maxInFlight() chunks submitted and not yet taken back.
    ParallelEncoder(unsigned workers, ChunkType codec, int zlibLevel);
    ~ParallelEncoder();
    ParallelEncoder(const ParallelEncoder&) = delete;
    ParallelEncoder& operator=(const ParallelEncoder&) = delete;

    size_t maxInFlight() const { return m_maxInFlight; }
    size_t inFlight() const;

    // A chunk to fill: a recycled one when available (its buffers keep their capacity).
    std::unique_ptr<EncodedChunk> acquire();
    void submit(std::unique_ptr<EncodedChunk> chunk);
    // Waits for the oldest submitted chunk and returns it, encoded (or with `error`).
    std::unique_ptr<EncodedChunk> takeOldest();
    void recycle(std::unique_ptr<EncodedChunk> chunk);

private:
    struct Slot {
        std::unique_ptr<EncodedChunk> chunk;
        bool done = false;
    };

    void workerLoop();
    void encode(EncodedChunk& chunk, ChunkEncoder& encoder) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_chunkDone;
    std::deque<std::shared_ptr<Slot>> m_order;   // submitted, oldest first
    std::deque<std::shared_ptr<Slot>> m_pending; // not yet picked up by a worker
    std::vector<std::unique_ptr<EncodedChunk>> m_spares;
    std::vector<std::thread> m_threads;
    ChunkType m_codec;
    int m_zlibLevel;
    std::unique_ptr<ChunkEncoder> m_inlineEncoder; // when no thread could start
    size_t m_maxInFlight = 0;
    bool m_stopping = false;
};

} // namespace vorlap::diskimage::udif
