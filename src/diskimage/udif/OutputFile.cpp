#include "diskimage/udif/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

namespace vorlap::diskimage::udif {

Result<OutputFile> OutputFile::create(const std::string& finalPath)
{
    VORLAP_TRY_LET(file, StagedFile::create(finalPath));
    return OutputFile(std::move(file));
}

Result<void> OutputFile::write(const void* data, size_t length)
{
    VORLAP_TRY(m_file.writeAt(m_position, data, length));
    m_position += length;
#ifdef __linux__
    // Start writing back as we go, so that commit()'s fsync finds little left to do
    // instead of stalling on the whole file.
    constexpr uint64_t kWritebackStep = uint64_t{8} << 20;
    if (m_position > m_writebackFrom && m_position - m_writebackFrom >= kWritebackStep) {
        ::sync_file_range(m_file.fd(), static_cast<off_t>(m_writebackFrom),
                          static_cast<off_t>(m_position - m_writebackFrom), SYNC_FILE_RANGE_WRITE);
        m_writebackFrom = m_position;
    }
#endif
    return {};
}

Result<void> OutputFile::commit()
{
    if (m_file.fd() < 0)
        return fail(ErrorCode::invalidArgument, m_file.finalPath() + ": the file is already closed");
    if (::ftruncate(m_file.fd(), static_cast<off_t>(m_position)) != 0)
        return failWithErrno(m_file.finalPath());
    return m_file.commitDurably();
}

} // namespace vorlap::diskimage::udif
