#include "diskimage/udif/ParallelEncoder.h"

#include "diskimage/udif/Checksum.h"
#include "diskimage/udif/ChunkCodec.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace vorlap::diskimage::udif {

namespace {

bool allZero(const uint8_t* p, size_t n)
{
    uint64_t acc = 0;
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        uint64_t w[8];
        std::memcpy(w, p + i, sizeof w);
        acc |= w[0] | w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7];
        if (acc != 0)
            return false;
    }
    for (; i < n; ++i)
        acc |= p[i];
    return acc == 0;
}

} // namespace

ParallelEncoder::ParallelEncoder(unsigned workers, ChunkType codec, int zlibLevel)
    : m_codec(codec), m_zlibLevel(zlibLevel)
{
    if (workers == 0)
        workers = std::max(1u, std::thread::hardware_concurrency());
    workers = std::min(workers, 64u);
    for (unsigned i = 0; i < workers; ++i) {
        try {
            m_threads.emplace_back([this] { workerLoop(); });
        } catch (const std::system_error&) {
            break; // work with the threads we have
        }
    }
    if (m_threads.empty())
        m_inlineEncoder = makeChunkEncoder(m_codec, m_zlibLevel);
    // Enough to keep every worker busy while the caller reads the next chunk and
    // writes the oldest one.
    m_maxInFlight = 2 * std::max<size_t>(1, m_threads.size()) + 2;
}

ParallelEncoder::~ParallelEncoder()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

size_t ParallelEncoder::inFlight() const
{
    std::lock_guard lock(m_mutex);
    return m_order.size();
}

std::unique_ptr<EncodedChunk> ParallelEncoder::acquire()
{
    std::lock_guard lock(m_mutex);
    if (m_spares.empty())
        return std::make_unique<EncodedChunk>();
    auto chunk = std::move(m_spares.back());
    m_spares.pop_back();
    chunk->error.reset();
    return chunk;
}

void ParallelEncoder::recycle(std::unique_ptr<EncodedChunk> chunk)
{
    std::lock_guard lock(m_mutex);
    if (m_spares.size() < m_maxInFlight)
        m_spares.push_back(std::move(chunk));
}

void ParallelEncoder::submit(std::unique_ptr<EncodedChunk> chunk)
{
    auto slot = std::make_shared<Slot>();
    slot->chunk = std::move(chunk);
    if (m_inlineEncoder) {
        encode(*slot->chunk, *m_inlineEncoder);
        slot->done = true;
        std::lock_guard lock(m_mutex);
        m_order.push_back(std::move(slot));
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_order.push_back(slot);
        m_pending.push_back(std::move(slot));
    }
    m_workAvailable.notify_one();
}

std::unique_ptr<EncodedChunk> ParallelEncoder::takeOldest()
{
    std::unique_lock lock(m_mutex);
    if (m_order.empty())
        return nullptr;
    std::shared_ptr<Slot> slot = m_order.front();
    m_chunkDone.wait(lock, [&] { return slot->done; });
    m_order.pop_front();
    return std::move(slot->chunk);
}

void ParallelEncoder::workerLoop()
{
    const std::unique_ptr<ChunkEncoder> encoder = makeChunkEncoder(m_codec, m_zlibLevel);
    for (;;) {
        std::shared_ptr<Slot> slot;
        {
            std::unique_lock lock(m_mutex);
            m_workAvailable.wait(lock, [&] { return m_stopping || !m_pending.empty(); });
            if (m_stopping)
                return; // chunks still waiting are abandoned with the encoder
            slot = std::move(m_pending.front());
            m_pending.pop_front();
        }
        try {
            encode(*slot->chunk, *encoder);
        } catch (const std::bad_alloc&) {
            slot->chunk->error = DiskImageError{ErrorCode::outOfMemory, "out of memory"};
        }
        {
            std::lock_guard lock(m_mutex);
            slot->done = true;
        }
        m_chunkDone.notify_all();
    }
}

void ParallelEncoder::encode(EncodedChunk& chunk, ChunkEncoder& encoder) const
{
    const std::vector<uint8_t>& in = chunk.input;
    if (allZero(in.data(), in.size())) {
        chunk.type = ChunkType::ZeroFill;
        chunk.inputCrc = crc32OfZeros(in.size());
        chunk.storedCrc = 0;
        chunk.compressed.clear();
        return;
    }
    chunk.inputCrc = crc32Update(0, in.data(), in.size());
    auto smaller = encoder.compress(in.data(), in.size(), chunk.compressed);
    if (!smaller) {
        chunk.error = smaller.error();
        return;
    }
    if (*smaller) {
        chunk.type = m_codec;
        chunk.storedCrc = crc32Update(0, chunk.compressed.data(), chunk.compressed.size());
    } else {
        chunk.type = ChunkType::Raw;
        chunk.storedCrc = chunk.inputCrc;
    }
}

} // namespace vorlap::diskimage::udif
