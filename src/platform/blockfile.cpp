#include "blockfile.h"

namespace platform {

std::size_t BlockFile::restStart(std::size_t done) const
{
    const std::size_t unit = m_sectorSize > 4096 ? m_sectorSize : 4096;
    return done / unit * unit;
}

std::int64_t BlockFile::readRest(void *buffer, std::size_t size, std::size_t done)
{
    m_lastError = 0;
    const std::size_t from = restStart(done);
    if (done > size || !seekBack(done - from))
        return -1;
    const std::int64_t n = read(static_cast<char *>(buffer) + from, size - from);
    return n < 0 ? -1 : static_cast<std::int64_t>(from) + n;
}

std::int64_t BlockFile::writeRest(const void *buffer, std::size_t size, std::size_t done)
{
    m_lastError = 0;
    const std::size_t from = restStart(done);
    if (done > size || !seekBack(done - from))
        return -1;
    const std::int64_t n = write(static_cast<const char *>(buffer) + from, size - from);
    return n < 0 ? -1 : static_cast<std::int64_t>(from) + n;
}

}  // namespace platform
